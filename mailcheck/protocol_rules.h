#pragma once
// The few words of each mail protocol that the check exchanges, and how it
// reads the answers: pure text rules, without sockets.
#include <optional>
#include <string>
#include <string_view>

#include "mailcheck/server_check.h"

namespace qb::mailcheck {

// The first line of `received` without its line end; nullopt while no whole line has come.
std::optional<std::string> TakeLine(std::string& received);

enum class GreetingVerdict {
  Greeted,       // the protocol's greeting is complete
  MoreToCome,    // SMTP "220-": the greeting goes on over more lines
  NotGreeting,   // something else
};
GreetingVerdict ReadGreetingLine(Protocol protocol, std::string_view line);

enum class EhloVerdict { MoreToCome, OffersStartTls, NoStartTls };
// One line of the EHLO reply; `offered` remembers a STARTTLS line seen before the last.
EhloVerdict ReadEhloLine(std::string_view line, bool& offered);

// "220" answers STARTTLS with "ready to start TLS".
bool IsStartTlsReady(std::string_view line);

// The alert a TLS server sends in clear when it ends a handshake: its
// description when `received` starts with an alert record, otherwise nullopt.
std::optional<int> TlsAlertAt(std::string_view received);
// Whether that alert says the client's protocol version or ciphers are not
// acceptable (handshake_failure, protocol_version, insufficient_security):
// what a server answers a system whose TLS is too old.
bool IsUnsupportedSecurityAlert(int description);

// The polite goodbye of the protocol.
std::string_view GoodbyeCommand(Protocol protocol);

// The first characters of an answer as a message may show them: at most
// `limit` characters and "..." when it goes on; line ends and tabs as spaces,
// other control characters and bytes beyond ASCII as "?".
std::string ShownAnswer(std::string_view answer, std::size_t limit = 40);

}  // namespace qb::mailcheck
