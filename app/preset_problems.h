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

// The Italian text of the report; empty when there is nothing to report.
std::wstring PresetProblemsMessage(const std::vector<ProviderProblem>& problems);

}  // namespace qb
