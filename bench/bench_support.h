#pragma once
// What every figure of the benchmark needs: a clock and the summary of
// repeated timings, the verdicts against the targets, HKEY_CURRENT_USER
// redirected to scratch keys and scratch folders (both removed on every way out
// of the run), the account keys and preset files of the run, and a real MainForm.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "tests/support/list_rows.h"
#include "tests/support/recording_services.h"
#include "tests/support/scratch_hkcu.h"
#include "tests/support/temp_folder.h"

namespace qbbench {

constexpr int kPresetCount = 32767;
constexpr int kStartupAccounts = 10000;
constexpr int kDefaultIndex = 500;  // an account present at every size

// ---------------------------------------------------------------- timing

double Now();  // seconds on the performance counter
inline double Ms(double seconds) { return seconds * 1e3; }

struct Summary {
  double min = 0, median = 0;
};
Summary Summarize(std::vector<double> samples);

// CPU seconds used so far by this thread and by the Wine server that serves
// it: each registry call is a round trip to the server, which does the work.
// Both come from Linux's /proc (schedstat, in nanoseconds), through Wine's Z:
// drive; the server's process id from tools/bench.sh (QB_WINESERVER_PID).
// Time spent waiting for a CPU counts in neither.
struct CpuSeconds {
  double own = 0, server = 0;
  double Total() const { return own + server; }
};
CpuSeconds CpuNow();

// Runs every pending message of the thread (paints, notifications), so that no
// timing pays for work an earlier one left behind.
void PumpMessages();

// Two candidates timed alternately, the order swapped every time, after one
// untimed run of each. The runs come in blocks; the ratio of a block is the
// fastest run of a over the fastest of b within it (the shared machine only
// ever adds time, and the two runs of a block see about the same load), and
// the figure is the median of the blocks' ratios. `afterBlock` runs untimed.
struct Paired {
  std::vector<double> a, b, ratios;  // every run of a and of b; each block's ratio
  double Ratio() const { return Summarize(ratios).median; }
};
// Each candidate returns the seconds it took (Clocked times a whole call).
using Candidate = std::function<double()>;
Paired Alternate(int blocks, int perBlock, const Candidate& a, const Candidate& b,
                 const std::function<void()>& afterBlock = {});
template <typename Work>
Candidate Clocked(Work work) {
  return [work] {
    const double t0 = Now();
    work();
    return Now() - t0;
  };
}

// ---------------------------------------------------------------- results

// One ratio against its target, for the closing summary.
struct Verdict {
  std::string figure;
  double ratio;
  double limit;  // largest allowed ratio
};

// Prints the summary of every verdict; returns how many targets were missed.
int PrintSummary(const std::vector<Verdict>& verdicts);

// Stops the run with a message and exit code 1, after the scratch keys and
// folders are removed.
[[noreturn]] void Fail(const std::string& what);

// Progress on stderr while the run goes on.
void Progress(const char* what);

// ---------------------------------------------------------------- scratch registry and folders

// HKEY_CURRENT_USER pointed (RegOverridePredefKey) at one of two scratch keys
// below Software\QuillbeckBench: "full", where the accounts of the run live,
// and "empty". The redirection is lifted and the keys deleted at the end, on
// Fail and on a crash; keys of a run that was killed go first.
class RedirectedHkcu : public qbtest::ScratchHkcu {
 public:
  RedirectedHkcu();
  ~RedirectedHkcu();
  void Point(const char* leaf);  // "full" or "empty"
};

// A folder under %TEMP%, removed with the object, on Fail or on a crash.
class ScratchFolder : public qbtest::TempFolder {
 public:
  explicit ScratchFolder(const std::string& tag);
  ~ScratchFolder();
  void Write(const std::string& name, const std::string& bytes) const;
  void MakeCurrent() const;
};

// ---------------------------------------------------------------- data of the run

std::string AddressOf(int i);  // of the i-th account of the run

// A providers.lst of `count` presets; with `settings`, every second one has a
// settings field as well.
std::string PresetFile(int count, bool settings = false);

// The account keys of the run, up to `count`, below the accounts root of the
// redirected HKEY_CURRENT_USER; the one of kDefaultIndex is the default. They
// are volatile: nothing of them reaches the prefix's registry files, and the
// Wine server's periodic save has nothing large to write during a timing.
void GrowAccountsTo(int count);

// A real MainForm whose message boxes, help, fatal errors and end are recorded.
struct BenchForm : qbtest::RecordingServices {
  qb::MainForm form{GetModuleHandleW(nullptr), services()};
  void Start();  // Startup(), failing the run on an error
  void CheckNoError(const std::string& during) const;
  HWND control(qb::ControlId id) const { return form.control(id); }
  int Rows() const { return qbtest::ListRowCount(control(qb::kLista)); }
};

}  // namespace qbbench
