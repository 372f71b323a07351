#pragma once
// Reading providers.lst from the current directory.
#include <string>

#include "catalogue/provider_catalogue.h"

namespace qb {

inline constexpr char kProviderFileName[] = "providers.lst";

// Reads the file into a catalogue. A missing or unreadable file raises AppError
// whose description names the file and the folder it was looked for in.
ProviderCatalogue LoadProviderFile(const std::string& fileName = kProviderFileName);

}  // namespace qb
