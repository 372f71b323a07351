#pragma once
// Writing a new account key (and, for the first preset, the default account).
#include <cstddef>
#include <string>
#include <vector>

namespace qb {

struct AccountInput {
  std::string userName;
  std::string domain;
  std::string displayName;
  std::string smtpServer;
  std::string incomingServer;
};

enum class IncomingProtocol { Pop3, Imap, Other };

// A preset's protocol, upper-cased and compared exactly: "pop3" is POP3, " POP3" is neither.
IncomingProtocol ClassifyProtocol(const std::string& protocol);

// The registry refuses key names longer than this many characters.
inline constexpr std::size_t kMaxKeyNameLength = 255;
// The ANSI registry calls refuse key paths longer than this many characters.
inline constexpr std::size_t kMaxKeyPathLength = 260;

enum class AddressProblem { None, Backslash, TooLong };

// Whether "(KX) " + address can be one key name directly below the accounts root:
// a backslash would reach a nested key that the list never shows, and a name
// the registry cannot take would end in an error.
AddressProblem CheckAccountAddress(const std::string& address);

// The longest account address that fits (202 characters).
std::size_t MaxAccountAddressLength();

struct AccountWriteResult {
  std::string keyName;
  std::string address;
  std::vector<std::string> failedValues;  // values the registry refused, in write order
};

// Creates (or reuses) the account key and writes its values in layout order: the
// common ones, then those of the protocol; then, when makeDefault, the default
// account. Raises AppError 1001 when the key cannot be created (nothing written).
AccountWriteResult WriteAccount(const AccountInput& input, IncomingProtocol protocol, bool makeDefault);

// Deletes the account key with this name; reports nothing.
void DeleteAccountKey(const std::string& keyName);

}  // namespace qb
