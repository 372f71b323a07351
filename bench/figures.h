#pragma once
// The yardsticks (bare_baselines.cpp): the program's work written as plainly
// as the Win32 API allows, with none of the program's code in the way; and the
// figures, each printing its section of the results and adding its ratios to
// the verdicts of the closing summary.
#include <windows.h>

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "bench/bench_support.h"

namespace qbbench {

// Row for row: the address, with " (Default)" for the default account.
using BareListing = std::vector<std::string>;

// "Default Mail Account", then RegEnumKeyA over the accounts root, then for each
// key RegOpenKeyExA by its full path + RegQueryValueExA("SMTP Email Address") +
// RegCloseKey: the calls the program makes.
BareListing BareReadAccounts();

// Fills a list box or a combo box with its drawing suspended, after
// LB_INITSTORAGE / CB_INITSTORAGE; a list box is emptied first.
void BareFillList(HWND list, const std::vector<std::string>& rows);
void BareFillCombo(HWND combo, const std::vector<std::string>& names);

// CreateFileA + GetFileSizeEx + ReadFile + CloseHandle into one new buffer.
struct FileBytes {
  std::unique_ptr<char[]> data;
  std::size_t size = 0;
};
FileBytes BareReadFile(const char* name);

// Each data line of a providers.lst cut into its first five fields, as strings.
using BareEntry = std::array<std::string, 5>;
void BareSplit(std::string_view text, std::vector<BareEntry>& out);

// A new POP3 account as the accounts layer writes it when it is the default:
// RegCreateKeyExA once, its nine values with RegSetValueExA, RegCloseKey; then
// the manager key opened the same way for "Default Mail Account".
struct BareAccount {
  std::string user, domain, displayName, smtpServer, pop3Server;
};
void BareWriteAccount(const BareAccount& account);

// A plain visible window with a list box and a combo box of the program's
// styles, sizes and font.
struct BareWindow {
  HWND list, combo;
};
BareWindow MakeBareWindow(HWND lista, HWND provider);  // it lives as long as the run

// ---------------------------------------------------------------- figures

// The account list rebuild (process_registry into the real lista) against the
// bare loop filling a bare list box, at the accounts present now; counted in
// CPU time: under Wine a rebuild is thousands of round trips to the server,
// and on a shared machine each may wait for a CPU, which made the wall-clock
// time of the same run vary twofold and more.
struct RebuildFigure {
  int accounts;
  Paired cpu;                        // CPU seconds (CpuNow); a: the program, b: the bare loop
  std::vector<double> wallA, wallB;  // wall-clock seconds of the same runs
};
RebuildFigure MeasureRebuild(BenchForm& form, const BareWindow& bare, int accounts, int blocks, int perBlock);
// Every size, then the growth: how far program / bare moves across the sizes.
void ReportRebuilds(const std::vector<RebuildFigure>& figures, std::vector<Verdict>& verdicts);

// The cost of the data at start-up: Startup() with the presets of `big` and the
// kStartupAccounts accounts of the "full" key, minus Startup() with one preset
// and no accounts, against the bare parts of the same work.
void MeasureStartupData(RedirectedHkcu& hkcu, const ScratchFolder& small, const ScratchFolder& big,
                        const BareWindow& bare, const std::string& presetText, int rounds,
                        std::vector<Verdict>& verdicts);

// Adding an account: the accounts layer's WriteAccount (a new key, its nine
// values, the default) against BareWriteAccount, many distinct addresses per
// run, the keys removed between blocks. HKEY_CURRENT_USER is the "empty" key
// during the figure and is left without accounts.
void MeasureAdd(RedirectedHkcu& hkcu, std::vector<Verdict>& verdicts);

// Memory: the peak working set of the launched program against its twin
// (measured by MeasureUserStartup, which fills `launched`), and what one preset
// and one account cost in a started form, from child runs of this program.
struct LaunchMemory {
  std::vector<double> program, twin;  // peak working set in bytes, per launch
};
void MeasureMemory(const LaunchMemory& launched, std::vector<Verdict>& verdicts);
// The child side: started with --memory <none|presets|accounts> <result file>.
int MemoryChild(const std::string& mode, const std::string& resultFile);

// LoadProviderFile against a bare read of the same file's bytes; `folder`
// holds the file, of `bytes` bytes and kPresetCount presets.
void MeasureLoading(const ScratchFolder& folder, std::size_t bytes, std::vector<Verdict>& verdicts);

// Quillbeck.exe launched as a user starts it, against its bare twin: process
// start to a window that answers messages, with no accounts; and the peak
// working set of every launch, read once the window answers.
void MeasureUserStartup(std::vector<Verdict>& verdicts, LaunchMemory& memory);

}  // namespace qbbench
