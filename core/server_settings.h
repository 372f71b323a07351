#pragma once
// What a preset asks of an account's servers beyond their names: read from
// the settings field of providers.lst by the catalogue, written into the
// account key by the accounts layer. No Win32 here, so that the catalogue's
// parsing still builds natively for fuzzing.
#include <cstdint>

namespace qb {

// All off: the account gets only the values every account has, and the
// servers' usual ports.
struct ServerSettings {
  bool ssl = false;                // "ssl": SSL/TLS on the incoming and the outgoing server
  std::uint16_t incomingPort = 0;  // "in=N", 1..65535; 0 when not given
  std::uint16_t outgoingPort = 0;  // "out=N", 1..65535; 0 when not given
  bool auth = false;               // "auth": sending logs in with the incoming server's user name
  bool loginAddress = false;       // "login=address": the incoming server's user name is the whole address
  bool any() const { return ssl || incomingPort || outgoingPort || auth || loginAddress; }
  bool operator==(const ServerSettings&) const = default;
};

}  // namespace qb
