#pragma once
// What the fields of an account may not hold, in one place: the add's refusals
// and the start-up check of the presets apply the same rules.
#include <string>
#include <vector>

#include "catalogue/provider_catalogue.h"

namespace qb {

// A field's text with its name as the user sees it.
struct NamedField {
  std::wstring name;
  std::wstring text;
};

// The incoming server's label for a preset's protocol ("POP3 Server:"), as
// the field rules show it and the messages name the field.
std::wstring InboundLabel(const std::string& protocol);

// The domain field takes what follows the "@": the add puts it there itself.
bool DomainHoldsAt(const std::wstring& domain);

// The characters of text the ANSI code page lacks, each as kCharacterOutsideAnsi
// and at most 12 of them (kLeftOut for the rest); empty when there are none.
std::wstring CharactersOutsideAnsiListed(const std::wstring& text);

// What keeps the fields a preset fills and locks from ever making an account:
// a control character or characters the code page lacks in any of them, an
// "@", a "\" or so many characters in the domain that no user name fits. One
// text per fault (kFault*); empty when they can make accounts.
std::vector<std::wstring> LockedFieldFaults(const NamedField& domain, const NamedField& incoming,
                                            const NamedField& smtp);

// The same for a preset of the catalogue, its fields named as the window names
// them; empty for a preset without a domain, whose fields the user types.
std::vector<std::wstring> PresetFaults(const ProviderEntry& preset);

}  // namespace qb
