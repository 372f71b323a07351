// An account key whose name is valid but makes the path longer than Wine's
// ANSI registry calls take in one piece (260 characters): another program's
// account, say. It is listed and removed like any other.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "accounts/account_list.h"
#include "accounts/account_writer.h"
#include "registry/registry_ops.h"
#include "tests/support/registry_helpers.h"
#include "core/handles.h"

namespace {

// Written with the wide calls, which take a path of any length.
void WriteAddressWide(const std::wstring& path, const std::wstring& address) {
  qb::RegistryKeyHandle k;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, k.put(), nullptr),
            ERROR_SUCCESS);
  const LONG status = RegSetValueExW(k.get(), L"SMTP Email Address", 0, REG_SZ,
                                     reinterpret_cast<const BYTE*>(address.c_str()),
                                     static_cast<DWORD>((address.size() + 1) * sizeof(wchar_t)));
  ASSERT_EQ(status, ERROR_SUCCESS);
}

TEST(LongAccountKeyName, IsListedAndRemovable) {
  qbtest::ClearScratchHkcu();
  const std::string name = "(KX) " + std::string(240, 'k') + "@odd.it";  // 252 characters
  const std::wstring root = L"SOFTWARE\\Microsoft\\Internet Account Manager\\Accounts\\";
  WriteAddressWide(root + std::wstring(name.begin(), name.end()), L"k@odd.it");
  WriteAddressWide(root + L"(KX) short@odd.it", L"short@odd.it");

  qb::AccountListing list = qb::ReadAccountList();
  ASSERT_EQ(list.keys.size(), 2u);
  const std::wstring wideName(name.begin(), name.end());
  const bool longFirst = list.keys[0] == wideName;
  EXPECT_EQ(list.keys[longFirst ? 0 : 1], wideName);
  EXPECT_EQ(list.rows[longFirst ? 0 : 1], L"k@odd.it");

  EXPECT_EQ(qb::DeleteAccountKey(wideName), qb::KeyDeletion::Deleted);
  list = qb::ReadAccountList();
  EXPECT_EQ(list.keys, std::vector<std::wstring>{L"(KX) short@odd.it"});
  EXPECT_EQ(qb::OpenRegistryHandleCount(), 0);
}

}  // namespace
