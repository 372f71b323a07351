#include "accounts/account_layout.h"

#include <windows.h>

namespace qb {

std::string AccountAddress(const std::string& userName, const std::string& domain) {
  return userName + "@" + domain;
}

std::string AccountKeyName(const std::string& address) { return kAccountKeyPrefix + address; }

std::string AccountKeyPath(const std::string& keyName) { return kAccountsRoot + keyName; }

namespace {

// The registry holds names in Unicode (the ANSI calls widen them with the code
// page) and compares them upper-cased, character by character. So do these:
// widened the same way, upper-cased with CharUpperBuffW, compared exactly.
// Not lstrcmpiA/CompareStringA: they compare linguistically, and characters
// without a sort weight are skipped, so two names the registry keeps apart
// could count as one. Not CharUpperBuffA: it upper-cases within the code page
// and keeps any letter whose capital the code page lacks, where the registry's
// Unicode comparison does not.
std::wstring UpperCased(const std::string& ansi) {
  if (ansi.empty()) return {};
  const int size = static_cast<int>(ansi.size());
  const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) {
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, wide.data(), n);
    CharUpperBuffW(wide.data(), static_cast<DWORD>(n));
  }
  return wide;
}

}  // namespace

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  return a == b || UpperCased(a) == UpperCased(b);
}

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
