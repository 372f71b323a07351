#pragma once
// The start-up report of the lines of providers.lst that the loader could not
// fully use.
#include <cstddef>
#include <string>
#include <vector>

#include "catalogue/provider_catalogue.h"

namespace qb {

// The report names this many problems and counts the others.
inline constexpr std::size_t kMaxListedPresetProblems = 10;

// A line of the report that the window's own rules found, not the loader.
struct PresetNotice {
  std::size_t line;
  std::wstring text;
};

// The presets that fill and lock fields no account can take (field_checks.h),
// one notice per fault.
std::vector<PresetNotice> UnusablePresets(const ProviderCatalogue& catalogue);

// The Italian text of the report, the loader's problems and the notices in
// line order; empty when there is nothing to report.
std::wstring PresetProblemsMessage(const std::vector<ProviderProblem>& problems,
                                   const std::vector<PresetNotice>& notices = {});

}  // namespace qb
