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

}  // namespace qb
