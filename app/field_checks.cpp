#include "app/field_checks.h"

#include <algorithm>

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
bool IsAscii(std::wstring_view text) {
  for (wchar_t c : text)
    if (c > 0x7F) return false;
  return true;
}

// A preset's UTF-8 field into a buffer kept from preset to preset.
std::wstring_view WidenedInto(std::string_view utf8, std::wstring& buffer) {
  if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
    buffer.assign(utf8.begin(), utf8.end());
  else
    buffer = WideFromUtf8(std::string(utf8));
  return buffer;
}

std::wstring WithoutColon(std::wstring label) {
  if (!label.empty() && label.back() == L':') label.pop_back();
  return label;
}

void AddFault(std::vector<std::wstring>& faults, const wchar_t* format, const std::wstring& name,
              const std::wstring& detail = {}) {
  faults.push_back(texts::FormatText(format, {name, detail}));
}

}  // namespace

std::wstring InboundLabel(const std::string& protocol) {
  return WideFromUtf8(UpperCasedProtocol(protocol)) + texts::kInboundSuffix;
}

bool DomainHoldsAt(std::wstring_view domain) { return domain.find(L'@') != std::wstring_view::npos; }

std::wstring CharactersOutsideAnsiListed(std::wstring_view text) {
  if (IsAscii(text)) return {};
  const std::vector<std::wstring> lacking = CharactersOutsideAnsi(std::wstring(text));
  std::wstring listed;
  for (std::size_t c = 0; c < lacking.size() && c < kMaxListedCharacters; ++c)
    listed += texts::FormatText(texts::kCharacterOutsideAnsi, {lacking[c]});
  if (lacking.size() > kMaxListedCharacters) listed += std::wstring(L" ") + texts::kLeftOut;
  return listed;
}

std::vector<std::wstring> LockedFieldFaults(std::wstring_view domain, std::wstring_view incoming,
                                            std::wstring_view smtp, const FieldNamer& nameOf) {
  std::vector<std::wstring> faults;
  bool domainInAnsi = false;
  const std::pair<LockedField, const std::wstring_view*> fields[] = {
      {LockedField::Domain, &domain}, {LockedField::IncomingServer, &incoming}, {LockedField::SmtpServer, &smtp}};
  for (const auto& [field, text] : fields) {
    // One fault a field: a control character needs no second word about the code page.
    bool usable = !ContainsControlCharacter(*text);
    if (!usable) {
      AddFault(faults, texts::kFaultControlCharacter, nameOf(field));
    } else if (const std::wstring outside = CharactersOutsideAnsiListed(*text); !outside.empty()) {
      AddFault(faults, texts::kFaultOutsideAnsi, nameOf(field), outside);
      usable = false;
    }
    if (field == LockedField::Domain) domainInAnsi = usable;
  }
  if (DomainHoldsAt(domain)) AddFault(faults, texts::kFaultAt, nameOf(LockedField::Domain));
  if (!domainInAnsi) return faults;
  // The shortest address the domain allows, under the add's own rule.
  std::string ansi(domain.size(), '\0');
  if (IsAscii(domain))
    std::transform(domain.begin(), domain.end(), ansi.begin(), [](wchar_t c) { return static_cast<char>(c); });
  else
    ansi = AnsiFromWide(std::wstring(domain));
  switch (CheckAccountAddress(AccountAddress("x", ansi))) {
    case AddressProblem::Backslash: AddFault(faults, texts::kFaultBackslash, nameOf(LockedField::Domain)); break;
    case AddressProblem::TooLong:
      AddFault(faults, texts::kFaultTooLong, nameOf(LockedField::Domain),
               std::to_wstring(MaxAccountAddressLength() - 1));
      break;
    case AddressProblem::None: break;
  }
  return faults;
}

std::vector<std::wstring> PresetFaults(const LockedFieldsView& preset) {
  if (preset.domain.empty()) return {};
  static std::wstring domain, incoming, smtp;  // one thread; kept to spare an allocation a preset
  return LockedFieldFaults(WidenedInto(preset.domain, domain), WidenedInto(preset.incomingServer, incoming),
                           WidenedInto(preset.smtpServer, smtp), [&preset](LockedField field) -> std::wstring {
                             switch (field) {
                               case LockedField::Domain: return texts::kDominioFieldName;
                               case LockedField::IncomingServer:
                                 return WithoutColon(InboundLabel(std::string(preset.incomingProtocol)));
                               case LockedField::SmtpServer: return WithoutColon(texts::kLabel5Caption);
                             }
                             return {};
                           });
}

}  // namespace qb
