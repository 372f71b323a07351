#pragma once
// Writing a new account key (and, for the first preset, the default account).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/server_settings.h"
#include "registry/registry_ops.h"

namespace qb {

struct AccountInput {
  std::string userName;
  std::string domain;
  std::string displayName;
  std::string smtpServer;
  std::string incomingServer;
};

enum class IncomingProtocol { Pop3, Imap, Other };

// The registry refuses key names longer than this many characters.
inline constexpr std::size_t kMaxKeyNameLength = 255;
// Many programs open a key by its whole path in one ANSI call, which takes at
// most this many characters; the program's own account keys stay within it
// (the registry operations reach longer paths in steps).
inline constexpr std::size_t kMaxKeyPathLength = 260;

enum class AddressProblem { None, Backslash, TooLong };

// Whether "(KX) " + address can be one key name directly below the accounts root:
// a backslash would reach a nested key that the list never shows, and a name
// the registry cannot take would end in an error. The length is counted in
// characters, as the registry counts it: in a double-byte code page an address
// of 102 characters may take 204 bytes.
AddressProblem CheckAccountAddress(const std::string& address);

// The longest account address that fits, in characters (202).
std::size_t MaxAccountAddressLength();

struct AccountWriteResult {
  std::string keyName;  // as the registry holds it
  std::string address;
  std::size_t writtenValues = 0;             // account values the registry took
  std::vector<std::string> failedValues;     // values the registry refused, in write order
  std::vector<std::string> unremovedValues;  // settings values of an update that were there and stayed
  // Not one account value could be written: the account was neither added nor
  // updated, and the default was left as it was.
  bool WroteNothing() const { return writtenValues == 0; }
};

// Creates (or reuses) the account key and writes its values in layout order: the
// common ones, those of the protocol, those the settings ask for; then, when
// makeDefault and some value was written, the default account. Never a
// password. Raises AppError 1001 when the key cannot be created (nothing written).
// heldKeyName: the name under which the registry holds the key of this address
// already (in another letter case, say), as the question about an address in
// use found it; the key is reused under that name, which the default then names.
// On an update, of the settings of the servers this write describes (the
// chosen protocol's and the outgoing server's ports, security and login)
// those these settings do not ask for are removed, so that the account
// connects as the chosen preset says. The other protocol's values stay whole
// with its server, and so does every other value.
AccountWriteResult WriteAccount(const AccountInput& input, IncomingProtocol protocol, bool makeDefault,
                                const ServerSettings& settings = {},
                                const std::optional<std::string>& heldKeyName = std::nullopt);

}  // namespace qb
