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
  // The timed parts, in the order of the report.
  enum { kLarge, kTiny, kRegistry, kSplit, kCombo, kParts };
  static const char* const kWhat[kParts] = {
      "Startup(), 32,767 presets + 10,000 accounts", "Startup(), 1 preset + no accounts",
      "bare registry loop + list fill, 10,000 accounts", "bare split of the preset lines into strings",
      "bare combo fill (CB_INITSTORAGE + CB_ADDSTRING)"};
  std::vector<double> times[kParts];
  std::vector<std::vector<BareEntry>> keep(static_cast<std::size_t>(rounds) + 1);  // freed after the timings
  for (int r = 0; r <= rounds; ++r) {                                              // round 0: the warm-up
    double t[kParts];
    hkcu.Point("empty");
    small.MakeCurrent();
    t[kTiny] = StartOnce(1, 0);
    hkcu.Point("full");
    big.MakeCurrent();
    t[kLarge] = StartOnce(kPresetCount, kStartupAccounts);
    PumpMessages();
    SendMessageW(bare.combo, CB_RESETCONTENT, 0, 0);
    std::vector<BareEntry>& split = keep[static_cast<std::size_t>(r)];
    BareListing listing;
    t[kRegistry] = Clocked([&] {
      listing = BareReadAccounts();
      BareFillList(bare.list, listing);
    })();
    t[kSplit] = Clocked([&] { BareSplit(presetText, split); })();
    t[kCombo] = Clocked([&] { BareFillCombo(bare.combo, names); })();
    PumpMessages();
    if (static_cast<int>(listing.size()) != kStartupAccounts || static_cast<int>(split.size()) != kPresetCount)
      Fail("the bare parts of the start-up miss accounts or presets");
    for (int i = 0; i < kParts && r > 0; ++i) times[i].push_back(t[i]);
  }
  small.MakeCurrent();
  std::printf(
      "\n== Start-up, the cost of the data: Startup() with %d presets and %d accounts minus Startup() with\n"
      "one preset and none, against the bare parts of the same work; min (median) of %d rounds\n",
      kPresetCount, kStartupAccounts, rounds);
  Summary s[kParts];
  for (int i = 0; i < kParts; ++i) {
    s[i] = Summarize(times[i]);
    std::printf("%-48s %8.1f ms (%8.1f)\n", kWhat[i], Ms(s[i].min), Ms(s[i].median));
  }
  const double cost = s[kLarge].min - s[kTiny].min, bareSum = s[kRegistry].min + s[kSplit].min + s[kCombo].min;
  std::printf("data cost / sum of the bare parts: %.3f (medians %.3f)\n", cost / bareSum,
              (s[kLarge].median - s[kTiny].median) / (s[kRegistry].median + s[kSplit].median + s[kCombo].median));
  verdicts.push_back({"start-up, data cost vs the bare parts", cost / bareSum, 1.3});
}

}  // namespace qbbench
