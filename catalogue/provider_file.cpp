// Reads providers.lst from the current directory: the whole file at once, then
// its conversion to UTF-8 (text_encoding.h decides how; only the ANSI code page
// needs the system), then the line rules of the parser, which keep the text.
#include "catalogue/provider_file.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "core/app_error.h"
#include "core/handles.h"
#include "catalogue/text_encoding.h"

namespace qb {
namespace {

// The numbers the user sees in the error box.
constexpr long kErrorFileNotFound = 53;
constexpr long kErrorFileAccess = 75;

std::wstring CurrentFolder() {
  DWORD size = GetCurrentDirectoryW(0, nullptr);
  std::wstring folder;
  while (size > 0) {
    folder.resize(size);
    const DWORD written = GetCurrentDirectoryW(size, folder.data());
    if (written < size) {
      folder.resize(written);
      return folder;
    }
    size = written;  // the directory changed in between and grew: try again
  }
  return std::wstring();
}

// UTF-16 as UTF-8, by the system.
std::string Utf8FromWide(const wchar_t* wide, int units) {
  if (units <= 0) return std::string();
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, units, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
  if (bytes > 0) WideCharToMultiByte(CP_UTF8, 0, wide, units, utf8.data(), bytes, nullptr, nullptr);
  return utf8;
}

std::string Utf8Of(const std::wstring& text) { return Utf8FromWide(text.data(), static_cast<int>(text.size())); }

[[noreturn]] void RaiseNotFound(const std::string& fileName) {
  throw ProviderFileError(ProviderFileError::Kind::NotFound, fileName, CurrentFolder());
}

[[noreturn]] void RaiseUnreadable(const std::string& fileName) {
  throw ProviderFileError(ProviderFileError::Kind::Unreadable, fileName, CurrentFolder());
}

// Text in the system's ANSI code page as UTF-8: to UTF-16 by the system, then
// to UTF-8. Converted in pieces that end at a line break, where no double-byte
// character of an Asian code page can be split, so that no length passes INT_MAX.
std::string AnsiToUtf8(std::string_view ansi) {
  constexpr std::size_t kPiece = 1 << 24;
  std::string utf8;
  std::wstring wide;
  while (!ansi.empty()) {
    std::size_t length = ansi.size();
    if (length > kPiece) {
      const std::size_t lf = ansi.rfind('\n', kPiece);
      length = (lf == std::string_view::npos) ? kPiece : lf + 1;
    }
    const int in = static_cast<int>(length);
    const int units = MultiByteToWideChar(CP_ACP, 0, ansi.data(), in, nullptr, 0);
    wide.resize(static_cast<std::size_t>(units > 0 ? units : 0));
    if (units > 0) MultiByteToWideChar(CP_ACP, 0, ansi.data(), in, wide.data(), units);
    utf8 += Utf8FromWide(wide.data(), static_cast<int>(wide.size()));
    ansi.remove_prefix(length);
  }
  return utf8;
}

}  // namespace

ProviderFileError::ProviderFileError(Kind kind, const std::string& fileName, const std::wstring& folder)
    : AppError(kind == Kind::NotFound ? kErrorFileNotFound : kErrorFileAccess,
               (kind == Kind::NotFound ? "File not found: \"" : "Cannot read the file \"") + fileName + "\" in \"" +
                   Utf8Of(folder) + "\""),
      kind_(kind),
      fileName_(fileName),
      folder_(folder) {}

ProviderCatalogue LoadProviderFile(const std::string& fileName) {
  // Others may keep the file open for reading or even writing (an editor, say);
  // only a program that holds it locked keeps it from being read.
  FileHandle file(CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.valid()) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) RaiseNotFound(fileName);
    RaiseUnreadable(fileName);
  }

  // One read takes in the whole file as its size says; reading goes on until
  // the end all the same, as the file may grow meanwhile. The room beyond the
  // size is never written unless the file grew.
  constexpr std::size_t kChunk = 1 << 16;
  constexpr std::size_t kMaxRead = 1 << 30;
  TextBytes text;
  LARGE_INTEGER size{};
  if (GetFileSizeEx(file.get(), &size) && size.QuadPart > 0 &&
      static_cast<unsigned long long>(size.QuadPart) < kMaxRead) {
    text.reserve(static_cast<std::size_t>(size.QuadPart) + kChunk);
  }
  for (;;) {
    const std::size_t used = text.size();
    const std::size_t request = std::clamp(text.capacity() - used, kChunk, kMaxRead);
    text.resize(used + request);  // left as it is: see UninitializedAllocator
    DWORD got = 0;
    if (!ReadFile(file.get(), text.data() + used, static_cast<DWORD>(request), &got, nullptr)) {
      RaiseUnreadable(fileName);
    }
    text.resize(used + got);
    if (got == 0) break;
  }

  TextEncoding encoding = TextEncoding::Ascii;
  TextBytes utf8 = DecodeText(std::move(text), &AnsiToUtf8, &encoding);
  if (encoding == TextEncoding::Unreadable) {
    ProviderCatalogue catalogue;
    catalogue.AddProblem({ProviderProblem::Kind::UnreadableEncoding, 0, std::string()});
    return catalogue;
  }
  return ReadProviderText(std::move(utf8));
}

}  // namespace qb
