#pragma once
// What every measurement of the benchmark needs: a clock, a summary of repeated
// timings, a scratch registry that stands in for HKEY_CURRENT_USER, a scratch
// folder for providers.lst, and a counter of the registry calls the program makes.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qbbench {

// ---------------------------------------------------------------- timing

// Seconds on the performance counter.
double Now();

struct Summary {
  double min = 0;
  double median = 0;
  std::size_t count = 0;
};
Summary Summarize(std::vector<double> samples);

// Runs every pending message of the thread (paints, notifications), so that no
// measurement pays for work that an earlier one left behind.
void PumpMessages();

// Stops the run with a message and a non-zero exit code, after the scratch
// registry and folders have been removed.
[[noreturn]] void Fail(const std::string& what);

// ---------------------------------------------------------------- registry

// Two scratch keys below Software\QuillbeckBench of the real per-user registry:
// "full", where the accounts of the run live, and "empty", which stays empty.
// While the object lives HKEY_CURRENT_USER points at one of them; at the end
// (and on Fail or a crash) the override is lifted and both are deleted.
class ScratchHkcu {
 public:
  ScratchHkcu();
  ~ScratchHkcu();
  ScratchHkcu(const ScratchHkcu&) = delete;
  ScratchHkcu& operator=(const ScratchHkcu&) = delete;

  void UseFull();
  void UseEmpty();
  // Lifts the override and deletes the scratch keys; safe to call twice.
  void Remove();

 private:
  std::string path_;
  HKEY full_ = nullptr;
  HKEY empty_ = nullptr;
};

// Deletes a key with all its sub-keys.
void DeleteTree(HKEY root, const std::string& key);

// ---------------------------------------------------------------- files

// A folder under %TEMP% for one set of files; removed with the object.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& tag);
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::string& path() const { return path_; }
  void Write(const std::string& name, const std::string& bytes) const;
  void MakeCurrent() const;
  void Remove();

 private:
  std::string path_;
};

// ---------------------------------------------------------------- call counting

struct RegistryCallCounts {
  long open = 0, create = 0, close = 0, query = 0, set = 0, enumerate = 0, remove = 0;
  long total() const { return open + create + close + query + set + enumerate + remove; }
};

// While it lives, every registry call of this program (the product code linked
// into it included) goes through a counter: the program's import slots of the
// advapi32 functions are pointed at counting wrappers and restored afterwards.
class RegistryCallCounter {
 public:
  RegistryCallCounter();
  ~RegistryCallCounter();
  RegistryCallCounter(const RegistryCallCounter&) = delete;
  RegistryCallCounter& operator=(const RegistryCallCounter&) = delete;
  RegistryCallCounts counts() const;
  // How many import slots were redirected; 0 means nothing can be counted.
  int hooked() const { return hooked_; }

 private:
  int hooked_ = 0;
};

std::string FormatCounts(const RegistryCallCounts& c);

}  // namespace qbbench
