#pragma once
// What the mail-server check looks at and what it found, as data: the window
// turns a result into words, this layer knows none.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qb::mailcheck {

enum class Protocol { Pop3, Imap, Smtp };

enum class Security {
  None,
  Tls,       // TLS from the first byte
  StartTls,  // SMTP: EHLO, then STARTTLS, then TLS
};

struct ServerTarget {
  Protocol protocol;
  std::wstring host;  // as the account key holds it
  std::uint16_t port;
  Security security;
  bool operator==(const ServerTarget&) const = default;
};

enum class Outcome {
  Answers,             // greeted as its protocol does
  UnknownName,         // the name does not resolve
  Refused,             // the connection was refused, or closed before a word
  NoAnswer,            // no connection or no greeting within the time limit
  WrongProtocol,       // answered something else
  CertificateExpired,  // the certificate is out of date
  CertificateOtherName,
  CertificateUntrusted,
  HandshakeFailed,
  HandshakeUnsupported,  // the system cannot use the protocol or cipher the server asks for
  NoStartTls,            // SMTP server that does not offer STARTTLS
};

struct ServerResult {
  ServerTarget target;
  Outcome outcome = Outcome::NoAnswer;
  std::wstring certificateName;  // CertificateOtherName: the name the certificate holds
  std::string answerStart;       // WrongProtocol: the answer's first characters, printable
  int secondsWaited = 0;         // NoAnswer: how long the check waited
};

// The time limits of one server, in milliseconds.
struct Limits {
  unsigned connectMs = 10000;  // name resolution and connection
  unsigned answerMs = 10000;   // greeting, EHLO/STARTTLS and TLS handshake
};

// One address of a server, as a socket takes it.
struct SocketAddress {
  sockaddr_storage address{};
  int length = 0;
};

// Resolves a name to its addresses, IPv6 and IPv4, in the order to try them.
// Runs on a helper thread: it may block.
using NameResolver = std::function<std::vector<SocketAddress>(const std::wstring& host, std::uint16_t port)>;
// getaddrinfo: the ANSI call, which Windows XP has (GetAddrInfoW came with XP SP2
// and the SDK headers declare it for later systems only).
std::vector<SocketAddress> ResolveWithGetAddrInfo(const std::wstring& host, std::uint16_t port);

}  // namespace qb::mailcheck
