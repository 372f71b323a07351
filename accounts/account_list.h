#pragma once
// The account list: the rows shown in `lista` and, row for row, the key names
// they stand for (the AccountKeyList).
#include <optional>
#include <string>
#include <vector>

namespace qb {

struct AccountListing {
  std::vector<std::string> rows;  // the address, with " (Default)" for the default account
  std::vector<std::string> keys;  // keys[i] is the key name of rows[i]
};

// Reads the accounts of HKEY_CURRENT_USER in the registry's enumeration order.
AccountListing ReadAccountList();

// The address this account key holds now, as its row shows it (without the
// default mark); nullopt when the key is gone or holds no address the list shows.
std::optional<std::string> ReadAccountAddress(const std::string& keyName);

// The account key of this name in whatever letter case, named as the registry
// holds it; nullopt when there is none.
std::optional<std::string> FindAccountKey(const std::string& keyName);

// Where an address is set up already, letter case ignored as the registry does.
struct AddressInUse {
  std::optional<std::string> ownKey;   // "(KX) " + address, named as the registry holds it
  std::vector<std::string> otherKeys;  // other accounts whose "SMTP Email Address" is the address
  bool any() const { return ownKey.has_value() || !otherKeys.empty(); }
};
AddressInUse FindAddressInUse(const std::string& address);

}  // namespace qb
