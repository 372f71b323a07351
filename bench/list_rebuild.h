#pragma once
// Figure 1: the account list rebuild (process_registry into the real lista)
// against a bare registry loop filling a bare list box, at three sizes; and
// section 4, the list past the 32,767 rows a 16-bit counter allows.
#include <windows.h>

#include <string>
#include <vector>

#include "bench/bench_fixture.h"
#include "bench/bench_support.h"

namespace qbbench {

struct RebuildFigure {
  int accounts;
  Summary product;
  Summary bare;
  // Median over the rounds of product / bare within the round: the two ran
  // back to back, under the same load of the shared server.
  double pairedRatio = 0;
};

RebuildFigure MeasureRebuild(BenchForm& form, HWND bareList, int accounts, int reps, bool warmUp);

// The registry calls of one rebuild at `accounts` accounts, as a line of the report.
std::string CountRebuildCalls(BenchForm& form, int accounts);

// Section 1 of the report, with its verdicts: one per size, then the growth.
void PrintRebuildSection(const std::vector<RebuildFigure>& rebuilds, const std::string& callsPerRebuild,
                         const std::vector<std::string>& setupNotes, std::vector<Verdict>& verdicts);

// Grows the accounts past 32,767 (with keys the list must skip among them),
// rebuilds, checks that every row keeps its own key and that removing a row
// through the window deletes only its key. Fails the run on a wrong row.
Report MeasureOverflow(BenchForm& form, AccountKeys& keys);

// Section 4 of the report.
void PrintOverflowSection(const Report& overflow);

}  // namespace qbbench
