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
using O = AccountValueOption;
}  // namespace

// The DWORD numbers are handed over as 16-bit integers and the ports as 32-bit
// ones (a port goes up to 65535); both are stored in 4 bytes.
const std::array<AccountValueSpec, 19> kAccountValues{{
    {"Account Name", T::Text, S::Address, 0, C::Always, O::None},
    {"Connection type", T::Dword, S::Number, 3, C::Always, O::None},
    {"SMTP Display Name", T::Text, S::DisplayName, 0, C::Always, O::None},
    {kSmtpEmailAddressValue, T::Text, S::Address, 0, C::Always, O::None},
    {"SMTP Server", T::Text, S::SmtpServer, 0, C::Always, O::None},
    {"POP3 Prompt for Password", T::Dword, S::Number, 0, C::Pop3, O::None},
    {"POP3 Server", T::Text, S::IncomingServer, 0, C::Pop3, O::None},
    {"POP3 Use Sicily", T::Dword, S::Number, 0, C::Pop3, O::None},
    {"POP3 User Name", T::Text, S::LoginName, 0, C::Pop3, O::None},
    {"IMAP Prompt for Password", T::Dword, S::Number, 0, C::Imap, O::None},
    {"IMAP Server", T::Text, S::IncomingServer, 0, C::Imap, O::None},
    {"IMAP User Name", T::Text, S::LoginName, 0, C::Imap, O::None},
    // Asked for by the server options only.
    {"POP3 Port", T::Dword, S::IncomingPort, 0, C::Pop3, O::IncomingPort},
    {"POP3 Secure Connection", T::Dword, S::Number, 1, C::Pop3, O::Ssl},
    {"IMAP Port", T::Dword, S::IncomingPort, 0, C::Imap, O::IncomingPort},
    {"IMAP Secure Connection", T::Dword, S::Number, 1, C::Imap, O::Ssl},
    {"SMTP Port", T::Dword, S::OutgoingPort, 0, C::Always, O::OutgoingPort},
    {"SMTP Secure Connection", T::Dword, S::Number, 1, C::Always, O::Ssl},
    // 2: the outgoing server logs in with the incoming server's user name.
    {"SMTP Use Sicily", T::Dword, S::Number, 2, C::Always, O::Auth},
}};

}  // namespace qb
