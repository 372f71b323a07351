#include "bench/bench_fixture.h"

#include <cstdio>

#include "accounts/account_layout.h"
#include "bench/bench_support.h"
#include "tests/support/list_rows.h"

namespace qbbench {

// ---------------------------------------------------------------- test data

std::string AddressOf(int i) {
  char text[64];
  std::snprintf(text, sizeof text, "utente%05d@example.it", i);
  return text;
}

std::string KeyOf(int i) { return qb::kAccountKeyPrefix + AddressOf(i); }

std::string PresetFile(int count, bool settings) {
  std::string text = "# providers.lst di prova\r\n";
  text.reserve(static_cast<std::size_t>(count) * 120 + 64);
  char line[200];
  for (int i = 0; i < count; ++i) {
    std::snprintf(line, sizeof line, "Provider %05d;provider%05d.it;smtp.provider%05d.it;pop.provider%05d.it;%s%s\r\n", i,
                  i, i, i, i % 3 == 2 ? "IMAP" : "POP3",
                  settings && i % 2 == 1 ? ";ssl in=995 out=465 auth login=address" : "");
    text += line;
  }
  return text;
}

AccountKeys::AccountKeys() {
  if (RegCreateKeyExA(HKEY_CURRENT_USER, qb::kAccountsRoot, 0, nullptr, 0, KEY_CREATE_SUB_KEY | KEY_SET_VALUE, nullptr,
                      &root_, nullptr) != ERROR_SUCCESS)
    Fail("cannot create the accounts root");
  HKEY manager;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, qb::kManagerKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &manager, nullptr) !=
      ERROR_SUCCESS)
    Fail("cannot create the manager key");
  const std::string def = KeyOf(kDefaultIndex);
  RegSetValueExA(manager, qb::kDefaultMailAccountValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(def.c_str()),
                 static_cast<DWORD>(def.size() + 1));
  RegCloseKey(manager);
}

double AccountKeys::GrowTo(int count) {
  const double t0 = Now();
  for (; count_ < count; ++count_) Make(KeyOf(count_), AddressOf(count_), true);
  return Now() - t0;
}

void AccountKeys::Make(const std::string& key, const std::string& address, bool withValue) {
  HKEY h;
  if (RegCreateKeyExA(root_, key.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_SET_VALUE, nullptr, &h, nullptr) !=
      ERROR_SUCCESS)
    Fail("cannot create account key " + key);
  if (withValue)
    RegSetValueExA(h, qb::kSmtpEmailAddressValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(address.c_str()),
                   static_cast<DWORD>(address.size() + 1));
  RegCloseKey(h);
}

// ---------------------------------------------------------------- the real window

BenchForm::BenchForm() : form_(std::make_unique<qb::MainForm>(GetModuleHandleW(nullptr), services())) {}

void BenchForm::Start() {
  form_->Startup();
  CheckNoError("start-up");
}

void BenchForm::CheckNoError(const std::string& during) const {
  if (!fatalErrors.empty())
    Fail(during + " raised error " + std::to_string(fatalErrors.front().number()) + ": " +
         fatalErrors.front().description());
}

int BenchForm::Rows() const { return qbtest::ListRowCount(lista()); }

std::wstring BenchForm::Row(int i) const { return qbtest::ListRow(lista(), i); }

}  // namespace qbbench
