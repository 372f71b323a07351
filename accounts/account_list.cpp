#include "accounts/account_list.h"

#include "accounts/account_layout.h"
#include "registry/registry_ops.h"

namespace qb {

namespace {

// The shown text of an address value. The registry gives a text for every string
// type; a DWORD shows as its decimal number and a byte array as its bytes in
// the code page.
std::wstring RowText(const RegistryVariant& addr) {
  switch (addr.kind()) {
    case RegistryVariant::Kind::Int32:
      return std::to_wstring(addr.int32());
    case RegistryVariant::Kind::Bytes:
      return WideFromCodePage(std::string(addr.bytes().begin(), addr.bytes().end()));
    case RegistryVariant::Kind::WideText:
      return addr.wideText();
    default:  // no other kind is read by wide names
      return {};
  }
}

RegistryVariant AddressValue(const std::wstring& keyName) {
  return GetRegistryValue(HKEY_CURRENT_USER, AccountKeyPath(keyName), WideName(kSmtpEmailAddressValue));
}

std::vector<std::wstring> AccountKeyNames() {
  return EnumRegistryKeys(HKEY_CURRENT_USER, WideName(kAccountsRoot));
}

// Another program may store the address with spaces around it; it is still the address.
std::wstring WithoutSurroundingSpaces(const std::wstring& text) {
  const std::size_t first = text.find_first_not_of(L' ');
  if (first == std::wstring::npos) return {};
  return text.substr(first, text.find_last_not_of(L' ') - first + 1);
}

}  // namespace

AccountListing ReadAccountList() {
  AccountListing listing;
  // Only a stored text can name the default account; anything else marks nothing.
  const RegistryVariant defaultName =
      GetRegistryValue(HKEY_CURRENT_USER, WideName(kManagerKey), WideName(kDefaultMailAccountValue));
  const bool hasDefault = defaultName.HasValue() && defaultName.IsWideText();

  for (std::wstring& key : AccountKeyNames()) {
    const RegistryVariant addr = AddressValue(key);
    if (!addr.HasValue()) continue;  // no address, or an empty one: neither row nor entry
    std::wstring row = RowText(addr);
    if (hasDefault && defaultName.wideText() == key) row += WideName(kDefaultMarker);
    listing.rows.push_back(std::move(row));
    listing.keys.push_back(std::move(key));
  }
  return listing;
}

std::optional<std::wstring> ReadAccountAddress(const std::wstring& keyName) {
  const RegistryVariant addr = AddressValue(keyName);
  if (!addr.HasValue()) return std::nullopt;
  return RowText(addr);
}

AddressInUse FindAddressInUse(const std::string& ansiAddress) {
  // One pass over the accounts finds the own key and the others alike.
  const std::wstring address = WideFromCodePage(ansiAddress);
  const std::wstring ownName = WideFromCodePage(AccountKeyName(ansiAddress));
  AddressInUse found;
  for (std::wstring& key : AccountKeyNames()) {
    if (!found.ownKey && SameIgnoringCase(key, ownName)) {
      found.ownKey = std::move(key);
      continue;
    }
    const RegistryVariant addr = AddressValue(key);
    if (addr.HasValue() && SameIgnoringCase(WithoutSurroundingSpaces(RowText(addr)), address))
      found.otherKeys.push_back(std::move(key));
  }
  // There, but the enumeration does not show it: its name as given reaches it.
  if (!found.ownKey && RegistryKeyReadable(HKEY_CURRENT_USER, AccountKeyPath(ownName))) found.ownKey = ownName;
  return found;
}

KeyDeletion DeleteAccountKey(const std::wstring& keyName) {
  return DeleteRegistryKey(HKEY_CURRENT_USER, AccountKeyPath(keyName));
}

}  // namespace qb
