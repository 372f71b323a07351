#pragma once
// What the fields of an account may not hold, in one place: the add's refusals
// and the start-up check of the presets apply the same rules.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/provider_catalogue.h"

namespace qb {

// The fields a preset with a domain fills and locks.
enum class LockedField { Domain, IncomingServer, SmtpServer };

// A field's name as the user sees it; asked only for a field at fault.
using FieldNamer = std::function<std::wstring(LockedField)>;

// The incoming server's label for a preset's protocol ("POP3 Server:"), as
// the field rules show it and the messages name the field.
std::wstring InboundLabel(const std::string& protocol);

// The domain field takes what follows the "@": the add puts it there itself.
bool DomainHoldsAt(std::wstring_view domain);

// The characters of text the ANSI code page lacks, each as kCharacterOutsideAnsi
// and at most 12 of them (kLeftOut for the rest); empty when there are none.
std::wstring CharactersOutsideAnsiListed(std::wstring_view text);

// What keeps the fields a preset fills and locks from ever making an account:
// a control character or characters the code page lacks in any of them, an
// "@", a "\" or so many characters in the domain that no user name fits. One
// text per fault (kFault*); empty when they can make accounts.
std::vector<std::wstring> LockedFieldFaults(std::wstring_view domain, std::wstring_view incoming,
                                            std::wstring_view smtp, const FieldNamer& nameOf);

// The same for a preset of the catalogue, its fields named as the window names
// them; empty for a preset without a domain, whose fields the user types.
std::vector<std::wstring> PresetFaults(const LockedFieldsView& preset);

}  // namespace qb
