#pragma once
// Folders under %TEMP% for the files a test or a benchmark needs, made fresh
// for each use and removed with everything in them.
#include <string>

namespace qbtest {

// Writes `bytes` to a new file (an existing one is replaced). False when the
// file cannot be made or not every byte is written.
bool WriteFileBytes(const std::string& path, const std::string& bytes);

// The current directory, as the system spells it; empty when it cannot be read.
std::string CurrentDirectory();

// Removes a folder with its files and sub-folders, read-only ones included.
void RemoveFolderTree(const std::string& path);

// A new, empty folder under %TEMP% named after `tag`, the process and the
// moment, removed with its contents when the object goes (or on Remove()).
class TempFolder {
 public:
  explicit TempFolder(const std::string& tag);
  ~TempFolder() { Remove(); }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  bool created() const { return !path_.empty(); }
  // The long form of the path: what the system reports as the current directory.
  const std::string& path() const { return path_; }
  bool Write(const std::string& name, const std::string& bytes) const;
  bool MakeCurrent() const;
  // Leaves the folder first when it is the current directory: a folder in use
  // cannot go. Safe to call twice.
  void Remove();

 private:
  std::string path_;
};

// Makes a folder the current directory while the object lives, then puts back
// the one that was current before.
class CurrentDirectoryScope {
 public:
  explicit CurrentDirectoryScope(const std::string& folder);
  ~CurrentDirectoryScope();
  CurrentDirectoryScope(const CurrentDirectoryScope&) = delete;
  CurrentDirectoryScope& operator=(const CurrentDirectoryScope&) = delete;
  bool entered() const { return entered_; }

 private:
  std::string previous_;
  bool entered_ = false;
};

}  // namespace qbtest
