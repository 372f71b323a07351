#include "accounts/account_layout.h"

#include <windows.h>

namespace qb {

std::string AccountAddress(const std::string& userName, const std::string& domain) {
  return userName + "@" + domain;
}

std::string AccountKeyName(const std::string& address) { return kAccountKeyPrefix + address; }

std::string AccountKeyPath(const std::string& keyName) { return kAccountsRoot + keyName; }

std::wstring AccountKeyPath(const std::wstring& keyName) { return WideName(kAccountsRoot) + keyName; }

std::wstring WideName(const char* ascii) {
  std::wstring wide;
  for (; *ascii; ++ascii) wide += static_cast<wchar_t>(static_cast<unsigned char>(*ascii));
  return wide;
}

std::wstring WideFromCodePage(const std::string& ansi) {
  if (ansi.empty()) return {};
  const int size = static_cast<int>(ansi.size());
  const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, wide.data(), n);
  return wide;
}

namespace {

// The registry holds names in Unicode (the ANSI calls widen them with the code
// page) and compares them upper-cased, character by character. So do these:
// upper-cased with CharUpperBuffW, compared exactly. Not lstrcmpiW or
// CompareString: they compare linguistically, and characters without a sort
// weight are skipped, so two names the registry keeps apart could count as
// one. Not CharUpperBuffA: it upper-cases within the code page and keeps any
// letter whose capital the code page lacks, where the registry does not.
std::wstring UpperCased(std::wstring wide) {
  if (!wide.empty()) CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
  return wide;
}

}  // namespace

bool SameIgnoringCase(const std::wstring& a, const std::wstring& b) {
  return a == b || UpperCased(a) == UpperCased(b);
}


namespace {
using S = AccountValueSource;
using C = AccountValueCondition;
using O = AccountValueOption;
}  // namespace

// The DWORD numbers are handed over as 16-bit integers and the ports as 32-bit
// ones (a port goes up to 65535); both are stored in 4 bytes.
const std::array<AccountValueSpec, 19> kAccountValues{{
    {"Account Name", S::Address, 0, C::Always, O::None},
    {"Connection type", S::Number, 3, C::Always, O::None},
    {"SMTP Display Name", S::DisplayName, 0, C::Always, O::None},
    {kSmtpEmailAddressValue, S::Address, 0, C::Always, O::None},
    {kSmtpServerValue, S::SmtpServer, 0, C::Always, O::None},
    {"POP3 Prompt for Password", S::Number, 0, C::Pop3, O::None},
    {kPop3ServerValue, S::IncomingServer, 0, C::Pop3, O::None},
    {"POP3 Use Sicily", S::Number, 0, C::Pop3, O::None},
    {"POP3 User Name", S::LoginName, 0, C::Pop3, O::None},
    {"IMAP Prompt for Password", S::Number, 0, C::Imap, O::None},
    {kImapServerValue, S::IncomingServer, 0, C::Imap, O::None},
    {"IMAP User Name", S::LoginName, 0, C::Imap, O::None},
    // Asked for by the server options only.
    {kPop3PortValue, S::IncomingPort, 0, C::Pop3, O::IncomingPort},
    {kPop3SecureValue, S::Number, 1, C::Pop3, O::Ssl},
    {kImapPortValue, S::IncomingPort, 0, C::Imap, O::IncomingPort},
    {kImapSecureValue, S::Number, 1, C::Imap, O::Ssl},
    {kSmtpPortValue, S::OutgoingPort, 0, C::Always, O::OutgoingPort},
    {kSmtpSecureValue, S::Number, 1, C::Always, O::Ssl},
    // 2: the outgoing server logs in with the incoming server's user name.
    {"SMTP Use Sicily", S::Number, 2, C::Always, O::Auth},
}};

}  // namespace qb
