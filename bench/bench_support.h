#pragma once
// What every measurement of the benchmark needs: a clock, a summary of repeated
// timings, the report it prints, the scratch registry and folders (the shared
// ones of tests/support, removed on every way out of the run), and a counter of
// the registry calls the program makes.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/scratch_hkcu.h"
#include "tests/support/temp_folder.h"

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

inline double Ms(double seconds) { return seconds * 1e3; }
inline double Us(double seconds) { return seconds * 1e6; }

// Runs every pending message of the thread (paints, notifications), so that no
// measurement pays for work that an earlier one left behind.
void PumpMessages();

// Runs the two candidates alternately, `reps` times each (after one untimed
// round when warmUp), with the order swapped every round; each run is followed
// by a pump of the messages it left (repaints), untimed.
void Alternate(int reps, const std::function<void()>& a, const std::function<void()>& b, std::vector<double>& ta,
               std::vector<double>& tb, bool warmUp = true);

// Stops the run with a message and a non-zero exit code, after the scratch
// registry and folders have been removed.
[[noreturn]] void Fail(const std::string& what);

// ---------------------------------------------------------------- output

// The text of one section of the results, printed once the whole run is done,
// in reading order rather than in the order the measurements ran.
class Report {
 public:
  __attribute__((format(gnu_printf, 2, 3))) void operator()(const char* format, ...);
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

// A rule across the report.
void Line(Report& out);

// Progress on stderr while the run goes on.
void Progress(const char* what);

// One ratio of the summary against its target.
struct Verdict {
  std::string figure;
  double measured;  // seconds
  double baseline;  // seconds
  double limit;     // largest allowed measured / baseline
};

// ---------------------------------------------------------------- registry

// Two scratch keys below Software\QuillbeckBench of the real per-user registry:
// "full", where the accounts of the run live, and "empty", which stays empty.
// While the object lives HKEY_CURRENT_USER points at one of them; at the end
// (and on Fail or a crash) the override is lifted and both are deleted. Keys
// left by a run that was killed are removed first.
class ScratchRegistry : public qbtest::ScratchHkcu {
 public:
  ScratchRegistry();
  ~ScratchRegistry();

  void UseFull();
  void UseEmpty();
};

// ---------------------------------------------------------------- files

// A folder under %TEMP% for one set of files; removed with the object, or on
// Fail or a crash. Write and MakeCurrent fail the run rather than return false.
class ScratchFolder : public qbtest::TempFolder {
 public:
  explicit ScratchFolder(const std::string& tag);
  ~ScratchFolder();
  void Write(const std::string& name, const std::string& bytes) const;
  void MakeCurrent() const;
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
