#include "tests/support/loopback_names.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstring>

namespace qbtest {

namespace {

bool IsLoopback(const sockaddr* address) {
  if (address->sa_family == AF_INET)
    return reinterpret_cast<const sockaddr_in*>(address)->sin_addr.s_addr == htonl(INADDR_LOOPBACK);
  if (address->sa_family == AF_INET6) {
    static const unsigned char kLoopback6[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    return std::memcmp(&reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr, kLoopback6, 16) == 0;
  }
  return false;
}

// A numeric address only: AI_NUMERICHOST never asks a name server.
bool AppendNumeric(const std::string& numeric, std::uint16_t port, std::vector<qb::mailcheck::SocketAddress>& out) {
  addrinfo hints{};
  hints.ai_flags = AI_NUMERICHOST;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(numeric.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return false;
  for (addrinfo* a = found; a; a = a->ai_next) {
    if (!IsLoopback(a->ai_addr) || a->ai_addrlen > sizeof(sockaddr_storage)) continue;
    qb::mailcheck::SocketAddress address;
    std::memcpy(&address.address, a->ai_addr, a->ai_addrlen);
    address.length = static_cast<int>(a->ai_addrlen);
    out.push_back(address);
  }
  freeaddrinfo(found);
  return true;
}

}  // namespace

qb::mailcheck::NameResolver LoopbackResolver(std::shared_ptr<const LoopbackNames> names) {
  return [names](const std::wstring& host, std::uint16_t port) {
    std::vector<qb::mailcheck::SocketAddress> addresses;
    const auto found = names->find(host);
    if (found == names->end()) return addresses;
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return addresses;
    for (const std::string& numeric : found->second) AppendNumeric(numeric, port, addresses);
    WSACleanup();
    return addresses;
  };
}

}  // namespace qbtest
