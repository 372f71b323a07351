#include <algorithm>
#include <cstdio>

#include "bench/figures.h"

namespace qbbench {

RebuildFigure MeasureRebuild(BenchForm& form, const BareWindow& bare, int accounts, int blocks, int perBlock) {
  std::size_t bareRows = 0;
  RebuildFigure figure{accounts,
                       Alternate(blocks, perBlock, Clocked([&] { form.form.process_registry(); }), Clocked([&] {
                                   const BareListing listing = BareReadAccounts();
                                   BareFillList(bare.list, listing);
                                   bareRows = listing.size();
                                 }))};
  form.CheckNoError("process_registry");
  if (form.Rows() != accounts || static_cast<int>(form.form.accountKeyList().size()) != accounts ||
      static_cast<int>(bareRows) != accounts)
    Fail("rebuild at " + std::to_string(accounts) + " accounts: the list shows " + std::to_string(form.Rows()) +
         " rows, the bare loop " + std::to_string(bareRows));
  return figure;
}

void ReportRebuilds(const std::vector<RebuildFigure>& figures, std::vector<Verdict>& verdicts) {
  std::printf(
      "\n== Account list rebuild: process_registry into the real lista vs the bare loop into a bare list box\n"
      "bare: Default Mail Account; RegEnumKeyA over the accounts root; per key RegOpenKeyExA (full path) +\n"
      "RegQueryValueExA(SMTP Email Address) + RegCloseKey; WM_SETREDRAW off, LB_RESETCONTENT,\n"
      "LB_INITSTORAGE, LB_ADDSTRING per row, redraw on.\n");
  std::printf("%8s | %4s | %10s %10s | %10s %10s | %7s | %8s\n", "accounts", "runs", "program min", "median",
              "bare min", "median", "ratio", "us/acct");
  double lowest = 1e9, highest = 0;
  for (const RebuildFigure& f : figures) {
    const Summary a = Summarize(f.timings.a), b = Summarize(f.timings.b);
    const double ratio = f.timings.Ratio();
    std::printf("%8d | %4zu | %8.1fms %8.1fms | %8.1fms %8.1fms | %7.3f | %8.1f\n", f.accounts, f.timings.a.size(),
                Ms(a.min), Ms(a.median), Ms(b.min), Ms(b.median), ratio, a.median * 1e6 / f.accounts);
    lowest = std::min(lowest, ratio);
    highest = std::max(highest, ratio);
    verdicts.push_back({"list rebuild, " + std::to_string(f.accounts) + " accounts", ratio, 1.3});
  }
  // The per-account time itself moves with the load of the shared machine;
  // relative to the bare loop (linear), a cost per row that grew with the
  // number of rows would show as a rising ratio.
  std::printf("growth: program / bare varies by a factor %.3f across the sizes (1 = as linear as the bare loop)\n",
              highest / lowest);
  verdicts.push_back({"list rebuild growth (ratio max / min across sizes)", highest / lowest, 1.3});
}

}  // namespace qbbench
