#include "mailcheck/protocol_rules.h"

#include <cctype>

namespace qb::mailcheck {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(text[i])) != std::toupper(static_cast<unsigned char>(prefix[i])))
      return false;
  return true;
}

// An SMTP reply line: three digits, then " " (last line), "-" (more follow) or nothing.
bool IsReplyLine(std::string_view line, std::string_view code) {
  return line.substr(0, 3) == code && (line.size() == 3 || line[3] == ' ' || line[3] == '-');
}
bool IsLastReplyLine(std::string_view line) { return line.size() == 3 || line[3] == ' '; }

}  // namespace

std::optional<std::string> TakeLine(std::string& received) {
  const std::size_t end = received.find('\n');
  if (end == std::string::npos) return std::nullopt;
  std::string line = received.substr(0, end);
  received.erase(0, end + 1);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

GreetingVerdict ReadGreetingLine(Protocol protocol, std::string_view line) {
  switch (protocol) {
    case Protocol::Pop3:
      return StartsWithNoCase(line, "+OK") ? GreetingVerdict::Greeted : GreetingVerdict::NotGreeting;
    case Protocol::Imap:
      return StartsWithNoCase(line, "* OK") || StartsWithNoCase(line, "* PREAUTH") ? GreetingVerdict::Greeted
                                                                                    : GreetingVerdict::NotGreeting;
    case Protocol::Smtp:
      if (!IsReplyLine(line, "220")) return GreetingVerdict::NotGreeting;
      return IsLastReplyLine(line) ? GreetingVerdict::Greeted : GreetingVerdict::MoreToCome;
  }
  return GreetingVerdict::NotGreeting;
}

EhloVerdict ReadEhloLine(std::string_view line, bool& offered) {
  if (!IsReplyLine(line, "250")) return EhloVerdict::NoStartTls;  // EHLO refused: no extensions at all
  std::string_view keyword = line.size() > 4 ? line.substr(4) : std::string_view();
  while (!keyword.empty() && keyword.back() == ' ') keyword.remove_suffix(1);
  if (keyword.size() == 8 && StartsWithNoCase(keyword, "STARTTLS")) offered = true;
  if (!IsLastReplyLine(line)) return EhloVerdict::MoreToCome;
  return offered ? EhloVerdict::OffersStartTls : EhloVerdict::NoStartTls;
}

bool IsStartTlsReady(std::string_view line) { return IsReplyLine(line, "220"); }

std::optional<int> TlsAlertAt(std::string_view received) {
  // Content type 21 (alert), version 3.x, length 2, then level and description.
  if (received.size() < 7 || received[0] != '\x15' || received[1] != '\x03' || received[3] != 0 ||
      received[4] != 2)
    return std::nullopt;
  return static_cast<unsigned char>(received[6]);
}

bool IsUnsupportedSecurityAlert(int description) {
  return description == 40 || description == 70 || description == 71;
}

std::string_view GoodbyeCommand(Protocol protocol) {
  return protocol == Protocol::Imap ? "a1 LOGOUT\r\n" : "QUIT\r\n";
}

std::string ShownAnswer(std::string_view answer, std::size_t limit) {
  std::string shown;
  for (char c : answer.substr(0, limit)) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\r' || c == '\n' || c == '\t') shown += ' ';
    else shown += byte < 0x20 || byte >= 0x7F ? '?' : c;
  }
  if (answer.size() > limit) shown += "...";
  return shown;
}

}  // namespace qb::mailcheck
