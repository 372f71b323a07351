// Performance of Configurazione Mail under its working conditions: a real
// MainForm on a scratch registry and the real program as launched, each
// against bare Win32 code doing the same work in the same run. Prints one
// section per figure and closes with every ratio against its target; a failed
// check along the way stops the run (exit code 1).
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "bench/figures.h"
#include "bench/server_check.h"
#include "catalogue/provider_file.h"

using namespace qbbench;

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--memory") return MemoryChild(argv[2], argv[3]);
  const double runStart = Now();
  SYSTEMTIME st;
  GetSystemTime(&st);
  std::printf(
      "Configurazione Mail benchmark, %04d-%02d-%02d %02d:%02d UTC, %d-bit build\n"
      "Times from QueryPerformanceCounter. The program and its bare twin alternate (a b b a ...) after an\n"
      "untimed run of each; ratio: median over blocks of runs of (fastest program / fastest bare).\n",
      st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, static_cast<int>(sizeof(void*) * 8));
  std::vector<Verdict> verdicts;

  // First, while the bench's HKEY_CURRENT_USER is still the prefix's own,
  // which the launched program reads too.
  Progress("start-up as the user sees it");
  LaunchMemory launched;
  MeasureUserStartup(verdicts, launched);
  Progress("memory");
  MeasureMemory(launched, verdicts);

  RedirectedHkcu hkcu;  // from here on HKEY_CURRENT_USER is a scratch key ("full")
  ScratchFolder small("small"), big("big"), loading("loading");
  small.Write(qb::kProviderFileName, "Quillbeck;quillbeck.it;smtp.quillbeck.it;pop.quillbeck.it;POP3\r\n");
  const std::string presetText = PresetFile(kPresetCount);
  big.Write(qb::kProviderFileName, presetText);
  const std::string settingsText = PresetFile(kPresetCount, true);
  loading.Write(qb::kProviderFileName, settingsText);

  Progress("adding accounts");
  MeasureAdd(hkcu, verdicts);
  Progress("loading presets");
  MeasureLoading(loading, settingsText.size(), verdicts);
  small.MakeCurrent();

  // Before the run's accounts are made: its form lists only the check's two.
  Progress("server check");
  const std::optional<std::string> serverCheckSkipped = MeasureServerCheck(verdicts);

  BenchForm listForm;
  listForm.Start();
  const BareWindow bare = MakeBareWindow(listForm.control(qb::kLista), listForm.control(qb::kProvider));
  PumpMessages();
  std::vector<RebuildFigure> rebuilds;
  // Fewer, longer runs at the larger sizes: one rebuild of 32,767 takes seconds
  // (and tens of seconds on a loaded machine); in CPU time, one pair per block
  // is steady enough there.
  struct Size {
    int accounts, blocks, perBlock;
  };
  for (const Size size : {Size{1000, 5, 3}, Size{kStartupAccounts, 3, 2}, Size{kPresetCount, 3, 1}}) {
    Progress(("list rebuild at " + std::to_string(size.accounts) + " accounts").c_str());
    GrowAccountsTo(size.accounts);
    rebuilds.push_back(MeasureRebuild(listForm, bare, size.accounts, size.blocks, size.perBlock));
    if (size.accounts == kStartupAccounts) {
      Progress("start-up data cost");
      MeasureStartupData(hkcu, small, big, bare, presetText, 5, verdicts);
    }
  }
  ReportRebuilds(rebuilds, verdicts);
  const int missed = PrintSummary(verdicts);
  if (serverCheckSkipped) std::printf("server check figures: skipped (%s)\n", serverCheckSkipped->c_str());
  std::printf("run took %.0f s (clean-up follows)\n", Now() - runStart);
  std::fflush(stdout);
  Progress("clean-up");
  return missed == 0 ? 0 : 4;
}
