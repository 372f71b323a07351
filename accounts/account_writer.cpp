#include "accounts/account_writer.h"

#include <algorithm>

#include "accounts/account_layout.h"
#include "registry/registry_ops.h"

namespace qb {

std::size_t MaxAccountAddressLength() {
  static const std::size_t longest = [] {
    const std::size_t prefix = AccountKeyName("").size();
    return std::min(kMaxKeyNameLength - prefix, kMaxKeyPathLength - AccountKeyPath("").size() - prefix);
  }();
  return longest;
}

namespace {

bool IsAscii(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

AddressProblem CheckAccountAddress(const std::string& address) {
  // ASCII is one character a byte in every code page (the start-up check of
  // the presets asks about thousands of domains). Otherwise widened first: in
  // a double-byte code page the second byte of a character may be 0x5C, the
  // byte of "\\", and the length is the registry's, in characters.
  const bool ascii = IsAscii(address);
  const std::wstring wide = ascii ? std::wstring() : WideFromCodePage(address);
  const bool backslash =
      ascii ? address.find('\\') != std::string::npos : wide.find(L'\\') != std::wstring::npos;
  if (backslash) return AddressProblem::Backslash;
  if ((ascii ? address.size() : wide.size()) > MaxAccountAddressLength()) return AddressProblem::TooLong;
  return AddressProblem::None;
}

namespace {

bool Applies(AccountValueCondition when, IncomingProtocol protocol) {
  switch (when) {
    case AccountValueCondition::Always: return true;
    case AccountValueCondition::Pop3: return protocol == IncomingProtocol::Pop3;
    case AccountValueCondition::Imap: return protocol == IncomingProtocol::Imap;
  }
  return false;
}

bool Asked(AccountValueOption option, const ServerSettings& settings) {
  switch (option) {
    case AccountValueOption::None: return true;
    case AccountValueOption::IncomingPort: return settings.incomingPort != 0;
    case AccountValueOption::OutgoingPort: return settings.outgoingPort != 0;
    case AccountValueOption::Ssl: return settings.ssl;
    case AccountValueOption::Auth: return settings.auth;
  }
  return false;
}

// A text source is stored as REG_SZ, a number or a port as REG_DWORD.
RegistryVariant ContentOf(const AccountValueSpec& spec, const AccountInput& input, const std::string& address,
                          const ServerSettings& settings) {
  switch (spec.source) {
    case AccountValueSource::Address: return RegistryVariant::Text(address);
    case AccountValueSource::DisplayName: return RegistryVariant::Text(input.displayName);
    case AccountValueSource::SmtpServer: return RegistryVariant::Text(input.smtpServer);
    case AccountValueSource::IncomingServer: return RegistryVariant::Text(input.incomingServer);
    case AccountValueSource::LoginName: return RegistryVariant::Text(settings.loginAddress ? address : input.userName);
    case AccountValueSource::Number: return RegistryVariant::Int16(spec.number);
    case AccountValueSource::IncomingPort: return RegistryVariant::Int32(settings.incomingPort);
    case AccountValueSource::OutgoingPort: return RegistryVariant::Int32(settings.outgoingPort);
  }
  return {};
}

bool Written(const AccountValueSpec& spec, IncomingProtocol protocol, const ServerSettings& settings) {
  return Applies(spec.when, protocol) && Asked(spec.option, settings);
}

// An update keeps no server option of an earlier preset that this one does not
// ask for: port 995 and SSL beside a plain server would never connect. Only
// the servers this write describes are concerned: the other protocol's server
// keeps its settings together with its name.
void RemoveOptionsNotAsked(const std::string& keyPath, IncomingProtocol protocol, const ServerSettings& settings,
                           AccountWriteResult& result) {
  for (const AccountValueSpec& spec : kAccountValues) {
    if (spec.option == AccountValueOption::None || !Applies(spec.when, protocol) || Asked(spec.option, settings))
      continue;
    if (!DeleteRegistryValue(HKEY_CURRENT_USER, keyPath, spec.name)) result.unremovedValues.emplace_back(spec.name);
  }
}

}  // namespace

AccountWriteResult WriteAccount(const AccountInput& input, IncomingProtocol protocol, bool makeDefault,
                                const ServerSettings& settings, const std::optional<std::string>& heldKeyName) {
  const std::string address = AccountAddress(input.userName, input.domain);
  // The registry reaches an existing key whatever the letter case; the default
  // must name it as it is held, since the list compares the default exactly.
  AccountWriteResult result;
  result.keyName = heldKeyName.value_or(AccountKeyName(address));
  result.address = address;
  const std::string keyPath = AccountKeyPath(result.keyName);

  std::vector<NamedValue> values;
  for (const AccountValueSpec& spec : kAccountValues)
    if (Written(spec, protocol, settings)) values.push_back({spec.name, ContentOf(spec, input, address, settings)});
  const KeyValuesWrite write = SetRegistryValues(HKEY_CURRENT_USER, keyPath, values);
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (write.written[i])
      ++result.writtenValues;
    else
      result.failedValues.emplace_back(values[i].name);
  }
  if (write.existed) RemoveOptionsNotAsked(keyPath, protocol, settings, result);
  // Written last, so that it never names an account whose key could not be
  // made, nor one that received none of its values.
  if (makeDefault && !result.WroteNothing() &&
      !SetRegistryValue(HKEY_CURRENT_USER, kManagerKey, kDefaultMailAccountValue, RegistryVariant::Text(result.keyName)))
    result.failedValues.emplace_back(kDefaultMailAccountValue);
  return result;
}

}  // namespace qb
