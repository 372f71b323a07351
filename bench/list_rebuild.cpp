#include <algorithm>
#include <cstdio>

#include "bench/figures.h"

namespace qbbench {

namespace {

// One run, as the figure counts it: the CPU time of this thread and the Wine
// server together. The wall-clock time goes to `wall`, for the report.
template <typename Work>
Candidate OnCpu(std::vector<double>& wall, Work work) {
  return [&wall, work] {
    const CpuSeconds c0 = CpuNow();
    const double t0 = Now();
    work();
    wall.push_back(Now() - t0);
    return CpuNow().Total() - c0.Total();
  };
}

}  // namespace

RebuildFigure MeasureRebuild(BenchForm& form, const BareWindow& bare, int accounts, int blocks, int perBlock) {
  std::size_t bareRows = 0;
  RebuildFigure figure{accounts, {}, {}, {}};
  figure.cpu = Alternate(blocks, perBlock, OnCpu(figure.wallA, [&] { form.form.process_registry(); }),
                         OnCpu(figure.wallB, [&] {
                           const BareListing listing = BareReadAccounts();
                           BareFillList(bare.list, listing);
                           bareRows = listing.size();
                         }));
  figure.wallA.erase(figure.wallA.begin());  // the untimed warm-ups
  figure.wallB.erase(figure.wallB.begin());
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
      "LB_INITSTORAGE, LB_ADDSTRING per row, redraw on.\n"
      "Counted: CPU time of this thread + the Wine server (schedstat), which waiting for a CPU does not\n"
      "add to; ratio: median over blocks of (least program / least bare). Wall-clock times beside.\n");
  std::printf("%8s | %4s | %-23s | %-23s | %7s | %-27s | %8s\n", "accounts", "runs", "program cpu min  median",
              "bare cpu min  median", "ratio", "wall program / bare median", "cpu/acct");
  double lowest = 1e9, highest = 0;
  for (const RebuildFigure& f : figures) {
    const Summary a = Summarize(f.cpu.a), b = Summarize(f.cpu.b), wa = Summarize(f.wallA), wb = Summarize(f.wallB);
    const double ratio = f.cpu.Ratio();
    std::printf("%8d | %4zu | %8.1fms %10.1fms | %8.1fms %10.1fms | %7.3f | %9.1fms / %9.1fms | %6.1fus\n",
                f.accounts, f.cpu.a.size(), Ms(a.min), Ms(a.median), Ms(b.min), Ms(b.median), ratio, Ms(wa.median),
                Ms(wb.median), a.median * 1e6 / f.accounts);
    lowest = std::min(lowest, ratio);
    highest = std::max(highest, ratio);
    verdicts.push_back({"list rebuild, " + std::to_string(f.accounts) + " accounts", ratio, 1.3});
  }
  // Relative to the bare loop (linear), a cost per row that grew with the
  // number of rows would show as a rising ratio.
  std::printf("growth: program / bare varies by a factor %.3f across the sizes (1 = as linear as the bare loop)\n",
              highest / lowest);
  verdicts.push_back({"list rebuild growth (ratio max / min across sizes)", highest / lowest, 1.3});
}

}  // namespace qbbench
