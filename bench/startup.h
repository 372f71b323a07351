#pragma once
// Figure 2: start-up to ready, Startup() with 32,767 presets and 10,000
// accounts minus Startup() with one preset and none, against the sum of the
// bare parts of the same work; and where the time of the list rebuild and the
// start-up goes, piece by piece against bare twins.
#include <string>
#include <vector>

#include "bench/bare_baselines.h"
#include "bench/bench_fixture.h"
#include "bench/bench_support.h"

namespace qbbench {

struct StartupFigure {
  Summary large, small;
  Summary bareRegistry, bareParse, bareCombo;
  Summary bareRead, productParse;
};

// `small` holds one preset, `big` the kPresetCount of `presetText`; the
// "full" scratch key holds kStartupAccounts accounts.
StartupFigure MeasureStartup(ScratchRegistry& scratch, const ScratchFolder& small, const ScratchFolder& big,
                             BareWindow& bare, const std::string& presetText, int reps);

// Section 2 of the report, with its verdict.
void PrintStartupSection(const StartupFigure& startup, std::vector<Verdict>& verdicts);

// The program's rebuild and start-up taken apart, each piece against its bare
// counterpart, to show where the time goes.
struct Pieces {
  int accounts = 0;
  int presets = 0;
  Summary productRead, bareRead, bareReadRelative;
  Summary productFill, bareFill, bareFillNoStorage, bareFillTipped;
  Summary productCombo, bareCombo, bareComboTipped;
  double getPropUs = 0;
  bool listaSubclassed = false, providerSubclassed = false;
};

// The names of the presets of a providers.lst text, as the program's box lists them.
std::vector<std::string> PresetNames(const std::string& presetText);

Pieces MeasurePieces(BenchForm& listForm, ScratchRegistry& scratch, const ScratchFolder& small, BareWindow& bare,
                     const std::vector<std::string>& names, int accounts, int reps);

// The section after section 2 of the report.
void PrintPiecesSection(const Pieces& pieces);

}  // namespace qbbench
