// Performance of Configurazione Mail under its real working conditions: a real
// MainForm on a scratch registry, measured against bare Win32 loops doing the
// same work in the same process. Runs every figure, then prints one section per
// figure and a summary of every ratio against its limit. Checks along the way
// fail loudly (exit code 1).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/add_account.h"
#include "bench/bare_baselines.h"
#include "bench/bench_fixture.h"
#include "bench/bench_support.h"
#include "bench/list_rebuild.h"
#include "bench/presets_loading.h"
#include "bench/startup.h"
#include "bench/user_startup.h"
#include "catalogue/provider_file.h"

namespace {

using namespace qbbench;

std::string Platform() {
  using WineVersionFn = const char*(CDECL*)();
  auto wineVersion = reinterpret_cast<WineVersionFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")));
  return wineVersion ? std::string("Wine ") + wineVersion() : std::string("Windows");
}

// A bare window whose boxes have the size and font of the real window's.
BareWindow BareTwinOf(BenchForm& form) {
  RECT lr, cr;
  GetWindowRect(form.lista(), &lr);
  GetWindowRect(form.form().control(qb::kProvider), &cr);
  return BareWindow(SIZE{lr.right - lr.left, lr.bottom - lr.top}, SIZE{cr.right - cr.left, cr.bottom - cr.top},
                    reinterpret_cast<HFONT>(SendMessageW(form.lista(), WM_GETFONT, 0, 0)));
}

void PrintHeading(const SYSTEMTIME& st, const std::string& platform) {
  std::printf("Configurazione Mail benchmark, %04d-%02d-%02d %02d:%02d UTC, %s, x86-64 build\n", st.wYear, st.wMonth,
              st.wDay, st.wHour, st.wMinute, platform.c_str());
  std::printf("Times from QueryPerformanceCounter. The program and its bare twin run alternately. List rebuilds:\n"
              "ratio = median over the rounds of (program / bare of the same round); other ratios: minimum over\n"
              "minimum of the repetitions (medians beside).\n"
              "HKEY_CURRENT_USER is a scratch key (RegOverridePredefKey) for the whole run.\n");
}

// The summary against the targets; returns how many were missed.
int PrintSummary(const std::vector<Verdict>& verdicts) {
  std::printf("\n== Summary against the targets\n");
  Report out;
  out("%-48s | %12s | %12s | %7s | %6s | %s\n", "figure", "measured", "baseline", "ratio", "limit", "verdict");
  Line(out);
  int missed = 0;
  for (const Verdict& v : verdicts) {
    const double ratio = v.measured / v.baseline;
    const bool ok = ratio <= v.limit;
    missed += ok ? 0 : 1;
    const bool plain = v.figure.find("growth") != std::string::npos || v.figure.find("paired") != std::string::npos;
    if (plain)
      out("%-48s | %12.3f | %12.3f | %7.3f | %6.2f | %s\n", v.figure.c_str(), v.measured, v.baseline, ratio, v.limit,
          ok ? "met" : "MISSED");
    else
      out("%-48s | %9.1f ms | %9.1f ms | %7.3f | %6.2f | %s\n", v.figure.c_str(), Ms(v.measured), Ms(v.baseline),
          ratio, v.limit, ok ? "met" : "MISSED");
  }
  out("past 32,767 rows (40,000 listed accounts): every row maps to its own key; remove of row 36000 ok\n");
  std::printf("%s", out.text().c_str());
  return missed;
}

}  // namespace

int main() {
  const double runStart = Now();
  Progress("start");
  SYSTEMTIME st;
  GetSystemTime(&st);
  const std::string platform = Platform();

  ScratchRegistry scratch;  // HKEY_CURRENT_USER is a scratch key from here on
  ScratchFolder small("small"), big("big"), loading("loading");
  small.Write(qb::kProviderFileName, "Quillbeck;quillbeck.it;smtp.quillbeck.it;pop.quillbeck.it;POP3\r\n");
  const std::string presetText = PresetFile(kPresetCount);
  big.Write(qb::kProviderFileName, presetText);
  const std::string settingsText = PresetFile(kPresetCount, true);  // for the loading figure
  loading.Write(qb::kProviderFileName, settingsText);
  small.MakeCurrent();

  AccountKeys keys;
  BenchForm listForm;
  listForm.Start();
  PumpMessages();
  BareWindow bare = BareTwinOf(listForm);
  PumpMessages();

  // List rebuild at three sizes; start-up, and where the time goes, at 10,000.
  std::vector<std::string> setupNotes;
  std::vector<RebuildFigure> rebuilds;
  std::string callsPerRebuild;
  StartupFigure startup;
  Pieces pieces;
  struct Size {
    int accounts;
    int reps;
  };
  int made = 0;
  for (const Size size : {Size{1000, 9}, Size{kStartupAccounts, 5}, Size{kPresetCount, 5}}) {
    const double seconds = keys.GrowTo(size.accounts);
    char note[200];
    std::snprintf(note, sizeof note, "set-up: account keys %d..%d made in %.2f s (%.1f us per key, 3 calls each)", made,
                  size.accounts - 1, seconds, Us(seconds) / (size.accounts - made));
    setupNotes.push_back(note);
    made = size.accounts;
    Progress(("list rebuild at " + std::to_string(size.accounts)).c_str());
    // Only the first size needs a warm-up round: the process is warm after it.
    rebuilds.push_back(MeasureRebuild(listForm, bare.list(), size.accounts, size.reps, size.accounts == 1000));
    if (size.accounts == 1000) callsPerRebuild = CountRebuildCalls(listForm, size.accounts);
    if (size.accounts == kStartupAccounts) {
      Progress("start-up");
      startup = MeasureStartup(scratch, small, big, bare, presetText, 5);
      Progress("where the time goes");
      pieces = MeasurePieces(listForm, scratch, small, bare, PresetNames(presetText), kStartupAccounts, 3);
    }
  }

  Progress("past 32,767 rows");
  const Report overflow = MeasureOverflow(listForm, keys);
  Progress("loading presets");
  const LoadFigure load = MeasureLoad(loading, settingsText.size(), 9);
  small.MakeCurrent();
  Progress("adding accounts");
  const AddFigure add = MeasureAdd(kAdds);
  Progress("start-up as the user sees it");
  const UserStartupFigure userStartup = MeasureUserStartup(kUserStartupAccounts, 7);
  Progress("done measuring");

  std::vector<Verdict> verdicts;
  PrintHeading(st, platform);
  PrintRebuildSection(rebuilds, callsPerRebuild, setupNotes, verdicts);
  PrintStartupSection(startup, verdicts);
  PrintPiecesSection(pieces);
  PrintLoadSection(load, verdicts);
  PrintOverflowSection(overflow);
  PrintAddSection(add);
  PrintUserStartupSection(userStartup);
  const int missed = PrintSummary(verdicts);
  std::printf("\n%d of %d targets missed; run took %.0f s (clean-up follows)\n", missed,
              static_cast<int>(verdicts.size()), Now() - runStart);
  std::fflush(stdout);
  Progress("clean-up");
  return 0;
}
