#include "tests/support/temp_folder.h"

#include <windows.h>

#include "core/handles.h"

namespace qbtest {

namespace {

std::string TempBase() {
  char temp[MAX_PATH + 1];
  const DWORD n = GetTempPathA(sizeof temp, temp);
  return (n > 0 && n < sizeof temp) ? std::string(temp, n) : std::string(".\\");
}

// %TEMP% may be given in its short (8.3) form; the system reports the current
// directory in the long one, and tests compare against that.
std::string LongPath(const std::string& path) {
  char full[MAX_PATH * 4];
  const DWORD n = GetLongPathNameA(path.c_str(), full, sizeof full);
  return (n > 0 && n < sizeof full) ? std::string(full, n) : path;
}

bool SamePath(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

}  // namespace

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
  const qb::FileHandle file(
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  return ok && written == bytes.size();
}

std::string CurrentDirectory() {
  char buffer[MAX_PATH * 4];
  const DWORD n = GetCurrentDirectoryA(sizeof buffer, buffer);
  return std::string(buffer, n < sizeof buffer ? n : 0);
}

void RemoveFolderTree(const std::string& path) {
  WIN32_FIND_DATAA found;
  // The search is closed before the folder goes.
  if (const qb::FindHandle search(FindFirstFileA((path + "\\*").c_str(), &found)); search) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      const std::string inner = path + "\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveFolderTree(inner);
      } else {
        SetFileAttributesA(inner.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(inner.c_str());
      }
    } while (FindNextFileA(search.get(), &found));
  }
  RemoveDirectoryA(path.c_str());
}

TempFolder::TempFolder(const std::string& tag) {
  static int counter = 0;  // two folders made in the same tick still differ
  const std::string base = TempBase();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string dir = base + tag + "-" + std::to_string(GetCurrentProcessId()) + "-" +
                            std::to_string(GetTickCount()) + "-" + std::to_string(++counter);
    if (CreateDirectoryA(dir.c_str(), nullptr)) {
      path_ = LongPath(dir);
      return;
    }
  }
}

bool TempFolder::Write(const std::string& name, const std::string& bytes) const {
  return created() && WriteFileBytes(path_ + "\\" + name, bytes);
}

bool TempFolder::MakeCurrent() const { return created() && SetCurrentDirectoryA(path_.c_str()); }

void TempFolder::Remove() {
  if (path_.empty()) return;
  if (SamePath(CurrentDirectory(), path_)) SetCurrentDirectoryA(TempBase().c_str());
  RemoveFolderTree(path_);
  path_.clear();
}

CurrentDirectoryScope::CurrentDirectoryScope(const std::string& folder) : previous_(CurrentDirectory()) {
  entered_ = !previous_.empty() && SetCurrentDirectoryA(folder.c_str());
}

CurrentDirectoryScope::~CurrentDirectoryScope() {
  if (entered_) SetCurrentDirectoryA(previous_.c_str());
}

}  // namespace qbtest
