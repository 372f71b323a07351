#pragma once
// The account list: the rows shown in `lista` and, row for row, the key names
// they stand for (the AccountKeyList). Keys are reached by their real names
// (the wide registry calls), so that every row stands for exactly its own key
// and shows its address with all its letters, whoever named the key.
#include <optional>
#include <string>
#include <vector>

#include "registry/registry_ops.h"

namespace qb {

struct AccountListing {
  std::vector<std::wstring> rows;  // the address, with " (Default)" for the default account
  std::vector<std::wstring> keys;  // keys[i] is the key name of rows[i]
};

// Reads the accounts of HKEY_CURRENT_USER in the registry's enumeration order.
AccountListing ReadAccountList();

// The address this account key holds now, as its row shows it (without the
// default mark); nullopt when the key is gone or holds no address the list shows.
std::optional<std::wstring> ReadAccountAddress(const std::wstring& keyName);

// Where an address (in the ANSI code page, as the add writes it) is set up
// already, letter case ignored as the registry does.
struct AddressInUse {
  std::optional<std::wstring> ownKey;   // "(KX) " + address, named as the registry holds it
  std::vector<std::wstring> otherKeys;  // other accounts whose "SMTP Email Address" is the address
  bool any() const { return ownKey.has_value() || !otherKeys.empty(); }
};
AddressInUse FindAddressInUse(const std::string& address);

// Deletes exactly the account key of this name, which must have no sub-keys.
KeyDeletion DeleteAccountKey(const std::wstring& keyName);

}  // namespace qb
