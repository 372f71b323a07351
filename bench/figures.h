#pragma once
// The figures of the benchmark. Each prints its section of the results and
// adds its ratios to the verdicts of the closing summary.
#include <string>
#include <vector>

#include "bench/bare_baselines.h"
#include "bench/bench_support.h"

namespace qbbench {

// The account list rebuild (process_registry into the real lista) against the
// bare loop filling a bare list box, at the accounts present now.
struct RebuildFigure {
  int accounts;
  Paired timings;  // a: the program, b: the bare loop
};
RebuildFigure MeasureRebuild(BenchForm& form, const BareWindow& bare, int accounts, int rounds);
// Every size, then the growth: how far program / bare moves across the sizes.
void ReportRebuilds(const std::vector<RebuildFigure>& figures, std::vector<Verdict>& verdicts);

// The cost of the data at start-up: Startup() with the presets of `big` and the
// kStartupAccounts accounts of the "full" key, minus Startup() with one preset
// and no accounts, against the bare parts of the same work.
void MeasureStartupData(RedirectedHkcu& hkcu, const ScratchFolder& small, const ScratchFolder& big,
                        const BareWindow& bare, const std::string& presetText, int rounds,
                        std::vector<Verdict>& verdicts);

// LoadProviderFile against a bare read of the same file's bytes; `folder`
// holds the file, of `bytes` bytes and kPresetCount presets.
void MeasureLoading(const ScratchFolder& folder, std::size_t bytes, int rounds, std::vector<Verdict>& verdicts);

// Quillbeck.exe launched as a user starts it, against its bare twin: process
// start to a window that answers messages, with no accounts.
void MeasureUserStartup(int rounds, std::vector<Verdict>& verdicts);

}  // namespace qbbench
