#include "app/field_checks.h"

#include "accounts/account_layout.h"
#include "accounts/account_writer.h"
#include "app/text_convert.h"
#include "app/texts.h"
#include "core/characters.h"

namespace qb {

namespace {

// How many of a field's characters outside the code page a message lists.
constexpr std::size_t kMaxListedCharacters = 12;

// ASCII keeps its identity in every ANSI code page: such a text needs no
// conversion to tell (the start-up check goes through thousands of presets).
bool IsAscii(const std::wstring& text) {
  for (wchar_t c : text)
    if (c > 0x7F) return false;
  return true;
}

std::wstring WithoutColon(std::wstring label) {
  if (!label.empty() && label.back() == L':') label.pop_back();
  return label;
}

void AddFault(std::vector<std::wstring>& faults, const wchar_t* format, const NamedField& field,
              const std::wstring& detail = {}) {
  faults.push_back(texts::FormatText(format, {field.name, detail}));
}

}  // namespace

std::wstring InboundLabel(const std::string& protocol) {
  return WideFromUtf8(UpperCasedProtocol(protocol)) + texts::kInboundSuffix;
}

bool DomainHoldsAt(const std::wstring& domain) { return domain.find(L'@') != std::wstring::npos; }

std::wstring CharactersOutsideAnsiListed(const std::wstring& text) {
  if (IsAscii(text)) return {};
  const std::vector<std::wstring> lacking = CharactersOutsideAnsi(text);
  std::wstring listed;
  for (std::size_t c = 0; c < lacking.size() && c < kMaxListedCharacters; ++c)
    listed += texts::FormatText(texts::kCharacterOutsideAnsi, {lacking[c]});
  if (lacking.size() > kMaxListedCharacters) listed += std::wstring(L" ") + texts::kLeftOut;
  return listed;
}

std::vector<std::wstring> LockedFieldFaults(const NamedField& domain, const NamedField& incoming,
                                            const NamedField& smtp) {
  std::vector<std::wstring> faults;
  bool domainInAnsi = false;
  for (const NamedField* field : {&domain, &incoming, &smtp}) {
    // One fault a field: a control character needs no second word about the code page.
    bool usable = !ContainsControlCharacter(field->text);
    if (!usable) {
      AddFault(faults, texts::kFaultControlCharacter, *field);
    } else if (const std::wstring outside = CharactersOutsideAnsiListed(field->text); !outside.empty()) {
      AddFault(faults, texts::kFaultOutsideAnsi, *field, outside);
      usable = false;
    }
    if (field == &domain) domainInAnsi = usable;
  }
  if (DomainHoldsAt(domain.text)) AddFault(faults, texts::kFaultAt, domain);
  if (!domainInAnsi) return faults;
  // The shortest address the domain allows, under the add's own rule.
  switch (CheckAccountAddress(AccountAddress("x", AnsiFromWide(domain.text)))) {
    case AddressProblem::Backslash: AddFault(faults, texts::kFaultBackslash, domain); break;
    case AddressProblem::TooLong:
      AddFault(faults, texts::kFaultTooLong, domain, std::to_wstring(MaxAccountAddressLength() - 1));
      break;
    case AddressProblem::None: break;
  }
  return faults;
}

std::vector<std::wstring> PresetFaults(const ProviderEntry& preset) {
  if (preset.domain.empty()) return {};
  return LockedFieldFaults({texts::kDominioFieldName, WideFromUtf8(preset.domain)},
                           {WithoutColon(InboundLabel(preset.incomingProtocol)), WideFromUtf8(preset.incomingServer)},
                           {WithoutColon(texts::kLabel5Caption), WideFromUtf8(preset.smtpServer)});
}

}  // namespace qb
