#pragma once
// Start-up as the user sees it: from starting the program's process to its
// window answering messages, for the real Quillbeck.exe and for a trivial
// window program built with the same compiler, launched alternately.
#include <string>

#include "bench/bench_support.h"

namespace qbbench {

struct UserStartupFigure {
  int accounts = 0;          // account keys the bench added for the "full" launches
  int existingAccounts = 0;  // accounts the prefix already held (present in every launch)
  Summary trivialExists, trivialAnswers;
  Summary emptyExists, emptyAnswers;  // Quillbeck.exe, no accounts added
  Summary fullExists, fullAnswers;    // Quillbeck.exe, `accounts` accounts added
};

// Launches each program `reps` times. The programs are looked for beside the
// bench (..\app\Quillbeck.exe, .\qb_bench_trivial_window.exe). Quillbeck.exe
// reads the real per-user registry of the prefix, not the bench's scratch key:
// the accounts are added there as volatile keys of their own name and removed
// afterwards (and by the next run, if one was killed).
UserStartupFigure MeasureUserStartup(int accounts, int reps);

// The figure as lines of the report.
std::string FormatUserStartup(const UserStartupFigure& figure);

// Section 6 of the report.
void PrintUserStartupSection(const UserStartupFigure& figure);

}  // namespace qbbench
