#include "accounts/account_list.h"

#include "accounts/account_layout.h"
#include "registry/registry_ops.h"

namespace qb {

namespace {

// The shown text of an address value. The registry gives a text for every string
// type; a DWORD shows as its decimal number and a byte array as its bytes.
std::string RowText(const RegistryVariant& addr) {
  switch (addr.kind()) {
    case RegistryVariant::Kind::Int32:
      return std::to_string(addr.int32());
    case RegistryVariant::Kind::Bytes:
      return std::string(addr.bytes().begin(), addr.bytes().end());
    case RegistryVariant::Kind::Text:
      return addr.text();
    default:  // no other kind is read from the registry
      return {};
  }
}

RegistryVariant AddressValue(const std::string& keyName) {
  return GetRegistryValue(HKEY_CURRENT_USER, AccountKeyPath(keyName), kSmtpEmailAddressValue);
}

}  // namespace

AccountListing ReadAccountList() {
  AccountListing listing;
  // Only a stored text can name the default account; anything else marks nothing.
  const RegistryVariant defaultName = GetRegistryValue(HKEY_CURRENT_USER, kManagerKey, kDefaultMailAccountValue);
  const bool hasDefault = defaultName.HasValue() && defaultName.IsText();

  for (std::string& key : EnumRegistryKeys(HKEY_CURRENT_USER, kAccountsRoot)) {
    const RegistryVariant addr = AddressValue(key);
    if (!addr.HasValue()) continue;  // no address, or an empty one: neither row nor entry
    std::string row = RowText(addr);
    if (hasDefault && defaultName.text() == key) row += kDefaultMarker;
    listing.rows.push_back(std::move(row));
    listing.keys.push_back(std::move(key));
  }
  return listing;
}

std::optional<std::string> ReadAccountAddress(const std::string& keyName) {
  const RegistryVariant addr = AddressValue(keyName);
  if (!addr.HasValue()) return std::nullopt;
  return RowText(addr);
}

std::optional<std::string> FindAccountKey(const std::string& keyName) {
  // The registry itself says whether the key is there (one open, however many
  // accounts there are); only the name it holds needs the enumeration.
  if (!RegistryKeyReadable(HKEY_CURRENT_USER, AccountKeyPath(keyName))) return std::nullopt;
  for (std::string& key : EnumRegistryKeys(HKEY_CURRENT_USER, kAccountsRoot))
    if (SameIgnoringCase(key, keyName)) return std::move(key);
  return keyName;  // there, but the enumeration does not show it: its name as given reaches it
}

AddressInUse FindAddressInUse(const std::string& address) {
  // One pass over the accounts finds the own key and the others alike.
  const std::string ownName = AccountKeyName(address);
  AddressInUse found;
  for (std::string& key : EnumRegistryKeys(HKEY_CURRENT_USER, kAccountsRoot)) {
    if (!found.ownKey && SameIgnoringCase(key, ownName)) {
      found.ownKey = std::move(key);
      continue;
    }
    const RegistryVariant addr = AddressValue(key);
    if (addr.HasValue() && SameIgnoringCase(RowText(addr), address)) found.otherKeys.push_back(std::move(key));
  }
  // There, but the enumeration does not show it: its name as given reaches it.
  if (!found.ownKey && RegistryKeyReadable(HKEY_CURRENT_USER, AccountKeyPath(ownName))) found.ownKey = ownName;
  return found;
}

}  // namespace qb
