#pragma once
// The yardstick of the server check: what the program's check does with one
// account's servers, written as plainly as Winsock and SChannel allow, with
// none of the program's code in the way. Blocking sockets, one thread per
// server (the program checks the servers of an account at the same time too).
#include <cstdint>
#include <string>
#include <vector>

namespace qbbench {

struct BareServer {
  bool smtp;          // otherwise POP3
  bool tls;           // TLS from the first byte
  bool startTls;      // SMTP: EHLO, STARTTLS, then TLS
  std::wstring name;  // sent as SNI, and the name the certificate must hold
  const char* address;  // numeric: getaddrinfo with AI_NUMERICHOST
  std::uint16_t port;
};

// Connects to every server at once, shakes hands (the chain built with
// CertGetCertificateChain and checked for the name), reads the greeting and
// says QUIT; true when every server answered as it should. Winsock must be started.
bool BareCheckAccount(const std::vector<BareServer>& servers);
// The same on the calling thread, one server after the other: how much the
// servers' overlap is worth (the program overlaps their waits, not their work).
bool BareCheckAccountInTurn(const std::vector<BareServer>& servers);

}  // namespace qbbench
