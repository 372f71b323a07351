#pragma once
// Reading providers.lst from the current directory.
#include <string>

#include "catalogue/provider_catalogue.h"
#include "core/app_error.h"

namespace qb {

inline constexpr char kProviderFileName[] = "providers.lst";

// The file could not be read: error 53 when it is missing, 75 when it exists
// but cannot be opened or read. It names the file and the folder it was looked
// for in; the window tells the user in its own words (the description here is
// a plain English fallback). The folder is named as it is, through the wide
// calls: a folder "Łódź" is not "Lódz" on a Western system.
class ProviderFileError : public AppError {
 public:
  enum class Kind { NotFound, Unreadable };
  ProviderFileError(Kind kind, const std::string& fileName, const std::wstring& folder);
  Kind kind() const { return kind_; }
  const std::string& fileName() const { return fileName_; }
  const std::wstring& folder() const { return folder_; }

 private:
  Kind kind_;
  std::string fileName_;
  std::wstring folder_;
};

// Reads the file into a catalogue (empty when the file holds no data line). The
// file may be UTF-8 (with or without a byte order mark), UTF-16 (with a byte
// order mark, or without one when NUL bytes show it), or in the system's ANSI
// code page; the entries hold UTF-8. A file full of NUL bytes in no form of
// UTF-16 gives no entries and one UnreadableEncoding problem. A missing
// file, or one that exists but cannot be opened or read (a folder of that name,
// a file locked by another program), raises ProviderFileError.
ProviderCatalogue LoadProviderFile(const std::string& fileName = kProviderFileName);

}  // namespace qb
