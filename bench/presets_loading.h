#pragma once
// Figure 3: loading 32,767 presets (half with settings) with LoadProviderFile,
// against a bare read of the same file's bytes; plain-code splits of the same
// bytes beside it for reference.
#include <cstddef>
#include <vector>

#include "bench/bench_support.h"

namespace qbbench {

struct LoadFigure {
  Summary product, bare, bareViews, bareStrings, bareIndex;
  std::size_t bytes = 0;
  double firstTouchUsPerMb = 0;
};

// Loads the providers.lst of `big` (`bytes` long, kPresetCount presets) `reps`
// times, with an untimed round first.
LoadFigure MeasureLoad(const ScratchFolder& big, std::size_t bytes, int reps);

// Section 3 of the report, with its verdict.
void PrintLoadSection(const LoadFigure& load, std::vector<Verdict>& verdicts);

}  // namespace qbbench
