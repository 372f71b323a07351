#include "accounts/account_layout.h"

namespace qb {

std::string AccountAddress(const std::string& userName, const std::string& domain) {
  return userName + "@" + domain;
}

std::string AccountKeyName(const std::string& address) { return kAccountKeyPrefix + address; }

std::string AccountKeyPath(const std::string& keyName) { return kAccountsRoot + keyName; }

namespace {
using T = AccountValueType;
using S = AccountValueSource;
using C = AccountValueCondition;
}  // namespace

// The DWORD values are handed over as 16-bit integers and stored in 4 bytes.
const std::array<AccountValueSpec, 12> kAccountValues{{
    {"Account Name", T::Text, S::Address, 0, C::Always},
    {"Connection type", T::Dword, S::Number, 3, C::Always},
    {"SMTP Display Name", T::Text, S::DisplayName, 0, C::Always},
    {kSmtpEmailAddressValue, T::Text, S::Address, 0, C::Always},
    {"SMTP Server", T::Text, S::SmtpServer, 0, C::Always},
    {"POP3 Prompt for Password", T::Dword, S::Number, 0, C::Pop3},
    {"POP3 Server", T::Text, S::IncomingServer, 0, C::Pop3},
    {"POP3 Use Sicily", T::Dword, S::Number, 0, C::Pop3},
    {"POP3 User Name", T::Text, S::UserName, 0, C::Pop3},
    {"IMAP Prompt for Password", T::Dword, S::Number, 0, C::Imap},
    {"IMAP Server", T::Text, S::IncomingServer, 0, C::Imap},
    {"IMAP User Name", T::Text, S::UserName, 0, C::Imap},
}};

}  // namespace qb
