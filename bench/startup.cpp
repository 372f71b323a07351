#include <cstdio>

#include "bench/figures.h"
#include "catalogue/provider_file.h"

namespace qbbench {

namespace {

// One Startup(), timed to its return: window shown, presets in the box, list
// filled, first preset selected. Checks what it shows.
double StartOnce(int presets, int accounts) {
  BenchForm f;
  const double t0 = Now();
  f.Start();
  const double t = Now() - t0;
  HWND provider = f.control(qb::kProvider);
  if (SendMessageW(provider, CB_GETCOUNT, 0, 0) != presets || f.Rows() != accounts ||
      SendMessageW(provider, CB_GETCURSEL, 0, 0) != 0)
    Fail("a start-up shows " + std::to_string(f.Rows()) + " accounts, expected " + std::to_string(accounts));
  return t;
}

}  // namespace

void MeasureStartupData(RedirectedHkcu& hkcu, const ScratchFolder& small, const ScratchFolder& big,
                        const BareWindow& bare, const std::string& presetText, int rounds,
                        std::vector<Verdict>& verdicts) {
  std::vector<std::string> names;
  {
    std::vector<BareEntry> entries;
    BareSplit(presetText, entries);
    for (BareEntry& e : entries) names.push_back(std::move(e[0]));
  }
  std::vector<double> large, tiny, registry, split, combo;
  std::vector<std::vector<BareEntry>> keep(static_cast<std::size_t>(rounds) + 1);  // freed after the timings
  for (int r = 0; r <= rounds; ++r) {                                              // round 0: the warm-up
    hkcu.UseEmpty();
    small.MakeCurrent();
    const double tTiny = StartOnce(1, 0);
    hkcu.UseFull();
    big.MakeCurrent();
    const double tLarge = StartOnce(kPresetCount, kStartupAccounts);
    PumpMessages();
    SendMessageW(bare.combo(), CB_RESETCONTENT, 0, 0);
    double t0 = Now();
    const BareListing listing = BareReadAccounts();
    BareFillList(bare.list(), listing.rows);
    const double tRegistry = Now() - t0;
    t0 = Now();
    BareSplit(presetText, keep[static_cast<std::size_t>(r)]);
    const double tSplit = Now() - t0;
    t0 = Now();
    BareFillCombo(bare.combo(), names);
    const double tCombo = Now() - t0;
    PumpMessages();
    if (static_cast<int>(listing.rows.size()) != kStartupAccounts ||
        static_cast<int>(keep[static_cast<std::size_t>(r)].size()) != kPresetCount)
      Fail("the bare parts of the start-up miss accounts or presets");
    if (r == 0) continue;
    large.push_back(tLarge);
    tiny.push_back(tTiny);
    registry.push_back(tRegistry);
    split.push_back(tSplit);
    combo.push_back(tCombo);
  }
  small.MakeCurrent();
  const Summary L = Summarize(large), T = Summarize(tiny), R = Summarize(registry), S = Summarize(split),
                C = Summarize(combo);
  const double cost = L.min - T.min, bareSum = R.min + S.min + C.min;
  std::printf(
      "\n== Start-up, the cost of the data: Startup() with %d presets and %d accounts minus Startup() with\n"
      "one preset and none, against the bare parts of the same work; min (median) of %d rounds\n",
      kPresetCount, kStartupAccounts, rounds);
  std::printf("Startup(), %d presets + %d accounts     %8.1f ms (%8.1f)\n", kPresetCount, kStartupAccounts, Ms(L.min),
              Ms(L.median));
  std::printf("Startup(), 1 preset + no accounts              %8.1f ms (%8.1f)\n", Ms(T.min), Ms(T.median));
  std::printf("bare registry loop + list fill, %d accounts %8.1f ms (%8.1f)\n", kStartupAccounts, Ms(R.min),
              Ms(R.median));
  std::printf("bare split of the preset lines into strings    %8.1f ms (%8.1f)\n", Ms(S.min), Ms(S.median));
  std::printf("bare combo fill (CB_INITSTORAGE + CB_ADDSTRING) %7.1f ms (%8.1f)\n", Ms(C.min), Ms(C.median));
  std::printf("data cost / sum of the bare parts: %.3f (medians %.3f)\n", cost / bareSum,
              (L.median - T.median) / (R.median + S.median + C.median));
  verdicts.push_back({"start-up, data cost vs the bare parts", cost / bareSum, 1.3});
}

}  // namespace qbbench
