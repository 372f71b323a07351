#pragma once
// Reading providers.lst from the current directory.
#include <string>

#include "catalogue/provider_catalogue.h"

namespace qb {

inline constexpr char kProviderFileName[] = "providers.lst";

// Reads the file into a catalogue (empty when the file holds no data line). The
// file may be UTF-8 (with or without a byte order mark), UTF-16 with a byte order
// mark, or in the system's ANSI code page; the entries hold UTF-8. A missing file raises AppError 53 and one that exists but cannot
// be opened or read (a folder of that name, a file locked by another program)
// AppError 75; the Italian description names the file and the folder it was
// looked for in.
ProviderCatalogue LoadProviderFile(const std::string& fileName = kProviderFileName);

}  // namespace qb
