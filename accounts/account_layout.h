#pragma once
// The Outlook Express account keys below HKEY_CURRENT_USER: the two key paths,
// the key-name rule and the values of an account key, written once as data so
// that the writer and the reader share them.
#include <array>
#include <cstdint>
#include <string>

namespace qb {

inline constexpr char kManagerKey[] = "SOFTWARE\\Microsoft\\Internet Account Manager\\";
inline constexpr char kAccountsRoot[] = "SOFTWARE\\Microsoft\\Internet Account Manager\\Accounts\\";
inline constexpr char kAccountKeyPrefix[] = "(KX) ";
inline constexpr char kDefaultMailAccountValue[] = "Default Mail Account";
inline constexpr char kSmtpEmailAddressValue[] = "SMTP Email Address";
inline constexpr char kDefaultMarker[] = " (Default)";
// The values that name a server, its port and its security, which the
// server check reads back.
inline constexpr char kPop3ServerValue[] = "POP3 Server";
inline constexpr char kPop3PortValue[] = "POP3 Port";
inline constexpr char kPop3SecureValue[] = "POP3 Secure Connection";
inline constexpr char kImapServerValue[] = "IMAP Server";
inline constexpr char kImapPortValue[] = "IMAP Port";
inline constexpr char kImapSecureValue[] = "IMAP Secure Connection";
inline constexpr char kSmtpServerValue[] = "SMTP Server";
inline constexpr char kSmtpPortValue[] = "SMTP Port";
inline constexpr char kSmtpSecureValue[] = "SMTP Secure Connection";

// user name + "@" + domain, exactly as typed.
std::string AccountAddress(const std::string& userName, const std::string& domain);
// "(KX) " + address.
std::string AccountKeyName(const std::string& address);
// The accounts root with the key name appended directly.
std::string AccountKeyPath(const std::string& keyName);
std::wstring AccountKeyPath(const std::wstring& keyName);

// A name of this layout (all of them ASCII) for the wide registry calls.
std::wstring WideName(const char* ascii);
// A text of the ANSI code page as the registry holds it: widened with the code
// page, as the ANSI registry calls widen it.
std::wstring WideFromCodePage(const std::string& ansi);

// Whether two names are one for the registry, which ignores letter case:
// "(KX) Mario@q.it" is the key "(KX) mario@q.it". Addresses are compared the
// same way, since an address decides the key's name.
bool SameIgnoringCase(const std::wstring& a, const std::wstring& b);

// What an account key's value holds.
enum class AccountValueSource {
  Address,
  DisplayName,
  SmtpServer,
  IncomingServer,
  LoginName,  // the user name, or the whole address for a server that logs in with it
  Number,
  IncomingPort,
  OutgoingPort,
};
// For which incoming protocol it is written.
enum class AccountValueCondition { Always, Pop3, Imap };
// Which server option asks for it; None: every account of the protocol gets it.
enum class AccountValueOption { None, IncomingPort, OutgoingPort, Ssl, Auth };
// The source decides how a value is stored: a text as REG_SZ, a number or a
// port as REG_DWORD.
struct AccountValueSpec {
  const char* name;
  AccountValueSource source;
  std::int16_t number;  // the content when source is Number
  AccountValueCondition when;
  AccountValueOption option;
};

// Every value an account key can receive, in the order they are written: those
// of every account first, then those that only a preset's server options ask for.
extern const std::array<AccountValueSpec, 19> kAccountValues;

}  // namespace qb
