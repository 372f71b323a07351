// More accounts than a signed 16-bit row number counts: every row past 32,767
// still shows its own account, and removing one through the window deletes
// that account's key and no other.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "accounts/account_layout.h"
#include "tests/support/bulk_hkcu.h"
#include "tests/support/form_fixture.h"
#include "tests/support/registry_helpers.h"

namespace qbtest {
namespace {

using namespace qb;

constexpr int kListed = 33000;
constexpr int kDefaultRow = 500;  // no unlisted key comes before it
constexpr int kRemovedRow = 32900;

std::string AddressOf(int i) {
  char text[40];
  std::snprintf(text, sizeof text, "utente%05d@example.it", i);
  return text;
}

// Keys that the list must skip, interleaved with the listed ones past row
// 32,100, so that row numbers and enumeration numbers part ways where a
// 16-bit count would wrap: half have no address value, half an empty one.
std::vector<std::string> UnlistedKeys() {
  std::vector<std::string> keys;
  char name[64];
  for (int i = 32100; i < kListed; i += 100) {
    std::snprintf(name, sizeof name, "%sutente%05d-senza-indirizzo", kAccountKeyPrefix, i);
    keys.push_back(name);
  }
  return keys;
}

KeyTexts AccountKeys() {
  KeyTexts keys;
  for (int i = 0; i < kListed; ++i) keys.emplace_back(AccountKeyName(AddressOf(i)), AddressOf(i));
  const std::vector<std::string> unlisted = UnlistedKeys();
  for (std::size_t i = 0; i < unlisted.size(); ++i)
    keys.emplace_back(unlisted[i], i % 2 ? std::optional<std::string>("") : std::nullopt);
  return keys;
}

// The listed keys in the registry's own order, found without the program's code.
std::vector<std::string> ListedKeys() {
  std::vector<std::string> keys = SubKeys(kAccountsRoot);
  for (const std::string& unlisted : UnlistedKeys()) std::erase(keys, unlisted);
  return keys;
}

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// The row a key's account shows: its address, marked when it is the default.
std::wstring RowOf(const std::string& key) {
  std::string address = key.substr(sizeof kAccountKeyPrefix - 1);
  if (address == AddressOf(kDefaultRow)) address += kDefaultMarker;
  return Wide(address);
}

std::vector<std::wstring> WideKeys(const std::vector<std::string>& keys) {
  std::vector<std::wstring> wide;
  for (const std::string& key : keys) wide.push_back(Wide(key));
  return wide;
}

class LongList : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    accounts_.emplace(kAccountsRoot, kSmtpEmailAddressValue, AccountKeys());
    if (!accounts_->loaded()) std::printf("note: the registry refused the keys as a hive; made one by one\n");
    WriteText(kManagerKey, kDefaultMailAccountValue, AccountKeyName(AddressOf(kDefaultRow)));
  }
  void TearDown() override {
    accounts_.reset();
    FormTest::TearDown();
  }

 private:
  std::optional<BulkHkcu> accounts_;
};

TEST_F(LongList, RowsPast32767ShowAndRemoveTheirOwnAccount) {
  Start();
  const std::vector<std::string> keys = ListedKeys();
  ASSERT_EQ(keys.size(), static_cast<std::size_t>(kListed));
  ASSERT_EQ(form().accountKeyList(), WideKeys(keys));
  const std::vector<std::wstring> rows = Rows();
  ASSERT_EQ(rows.size(), keys.size());
  int wrong = 0;
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (rows[i] != RowOf(keys[i]) && ++wrong <= 3) ADD_FAILURE() << "row " << i << " shows another account";
  EXPECT_EQ(wrong, 0);

  // The user scrolls to the row and clicks it.
  SendMessageW(Ctl(kLista), LB_SETTOPINDEX, kRemovedRow, 0);
  ClickRow(kRemovedRow);
  ASSERT_EQ(Selected(kLista), kRemovedRow);
  ASSERT_TRUE(Enabled(kBtnCancella));
  answers.push_back(IDYES);
  Press(kBtnCancella);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, L"Vuoi veramente cancellare l'indirizzo " + RowOf(keys[kRemovedRow]) + L"?");
  std::vector<std::string> remaining = keys;
  remaining.erase(remaining.begin() + kRemovedRow);
  EXPECT_EQ(ListedKeys(), remaining);
  EXPECT_EQ(form().accountKeyList(), WideKeys(remaining));
  EXPECT_EQ(Rows().size(), remaining.size());
}

}  // namespace
}  // namespace qbtest
