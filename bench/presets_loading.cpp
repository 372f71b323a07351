#include "bench/presets_loading.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string_view>

#include "bench/bare_baselines.h"
#include "bench/bench_fixture.h"
#include "catalogue/provider_catalogue.h"
#include "catalogue/provider_file.h"

namespace qbbench {

// Microseconds to touch one fresh megabyte for the first time (page faults):
// a floor under everything that builds large new data.
namespace {

double FirstTouchUsPerMb() {
  constexpr std::size_t kMb = 16;
  std::vector<double> samples;
  for (int r = 0; r < 3; ++r) {
    auto* p = static_cast<volatile char*>(VirtualAlloc(nullptr, kMb << 20, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!p) return 0;
    const double t0 = Now();
    for (std::size_t i = 0; i < (kMb << 20); i += 4096) p[i] = 1;
    samples.push_back(Us(Now() - t0) / kMb);
    VirtualFree(const_cast<char*>(p), 0, MEM_RELEASE);
  }
  return Summarize(samples).min;
}

}  // namespace

LoadFigure MeasureLoad(const ScratchFolder& big, std::size_t bytes, int reps) {
  big.MakeCurrent();
  LoadFigure fig;
  fig.bytes = bytes;
  // Results are kept until the end, so that freeing them is not timed; every
  // run builds its data in fresh memory, as the program's one load does.
  std::vector<qb::ProviderCatalogue> keep;
  std::vector<FileBytes> keepBytes;
  std::vector<std::vector<BareViewEntry>> keepViews;
  std::vector<std::vector<BareEntry>> keepStrings;
  std::vector<std::vector<std::uint32_t>> keepIndex;
  keepIndex.reserve(static_cast<std::size_t>(reps) + 1);
  keep.reserve(static_cast<std::size_t>(reps) + 1);
  keepBytes.reserve(4 * static_cast<std::size_t>(reps) + 4);
  keepViews.reserve(static_cast<std::size_t>(reps) + 1);
  keepStrings.reserve(static_cast<std::size_t>(reps) + 1);
  std::vector<double> tp, tb, tv, ts, ti;
  const std::function<void()> work[5] = {
      [&] { keep.push_back(qb::LoadProviderFile()); },
      [&] { keepBytes.push_back(BareReadFile(qb::kProviderFileName)); },
      [&] {
        keepBytes.push_back(BareReadFile(qb::kProviderFileName));
        BareSplitViews(std::string_view(keepBytes.back().data.get(), keepBytes.back().size), keepViews.emplace_back());
      },
      [&] {
        keepBytes.push_back(BareReadFile(qb::kProviderFileName));
        BareSplit(std::string_view(keepBytes.back().data.get(), keepBytes.back().size), keepStrings.emplace_back());
      },
      [&] {
        keepBytes.push_back(BareReadFile(qb::kProviderFileName));
        BareIndexLines(std::string_view(keepBytes.back().data.get(), keepBytes.back().size), keepIndex.emplace_back());
      }};
  std::vector<double>* into[5] = {&tp, &tb, &tv, &ts, &ti};
  for (int r = 0; r <= reps; ++r) {  // round 0 untimed
    for (int k = 0; k < 5; ++k) {
      const int which = (k + r) % 5;
      const double t0 = Now();
      work[which]();
      const double t = Now() - t0;
      if (r > 0) into[which]->push_back(t);
    }
  }
  for (const auto& c : keep) {
    if (static_cast<int>(c.size()) != kPresetCount) Fail("LoadProviderFile gives " + std::to_string(c.size()) + " presets");
    if (!c.problems().empty()) Fail("LoadProviderFile reports problems in a clean file");
    if (c[0].settings.any() || !c[1].settings.ssl || c[kPresetCount - 1].name != "Provider 32766")
      Fail("LoadProviderFile gives other presets than the file's");
  }
  for (const auto& b : keepBytes)
    if (b.size != bytes) Fail("the bare read gets the wrong number of bytes");
  for (const auto& v : keepViews)
    if (static_cast<int>(v.size()) != kPresetCount) Fail("the bare split to views misses presets");
  for (const auto& v : keepStrings)
    if (static_cast<int>(v.size()) != kPresetCount) Fail("the bare split to strings misses presets");
  fig.product = Summarize(tp);
  fig.bare = Summarize(tb);
  fig.bareViews = Summarize(tv);
  fig.bareStrings = Summarize(ts);
  fig.bareIndex = Summarize(ti);
  for (const auto& v : keepIndex)
    if (v.size() != static_cast<std::size_t>(kPresetCount) + 1) Fail("the bare line index misses lines");
  fig.firstTouchUsPerMb = FirstTouchUsPerMb();
  return fig;
}

void PrintLoadSection(const LoadFigure& load, std::vector<Verdict>& verdicts) {
  std::printf("\n== 3. Loading 32,767 presets: LoadProviderFile vs bare CreateFile/ReadFile of the same file\n");
  Report out;
  out("file: %d bytes, %d data lines, every second one with \"ssl in=995 out=465 auth login=address\"\n",
      static_cast<int>(load.bytes), kPresetCount);
  out("LoadProviderFile  min %7.2f ms  median %7.2f ms  (%.3f us per preset)\n", Ms(load.product.min),
      Ms(load.product.median), Us(load.product.min) / kPresetCount);
  out("bare read         min %7.2f ms  median %7.2f ms\n", Ms(load.bare.min), Ms(load.bare.median));
  out("ratio %.3f (medians: %.3f)\n", load.product.min / load.bare.min, load.product.median / load.bare.median);
  out("for reference, each as plain code, min of the same runs:\n");
  out("  bare read + split into five strings per preset (the program's work)  %7.2f ms, %.3f x bare read\n",
      Ms(load.bareStrings.min), load.bareStrings.min / load.bare.min);
  out("  bare read + split into five views of the read bytes (no allocation)  %7.2f ms, %.3f x bare read\n",
      Ms(load.bareViews.min), load.bareViews.min / load.bare.min);
  out("  bare read + index of where each line starts (fields cut on demand)   %7.2f ms, %.3f x bare read\n",
      Ms(load.bareIndex.min), load.bareIndex.min / load.bare.min);
  out("  LoadProviderFile / (bare read + split into strings)                 %7.3f\n",
      load.product.min / load.bareStrings.min);
  out("  first touch of fresh memory on this machine: %.0f us per MB (the bare read fills %.1f MB of it)\n",
      load.firstTouchUsPerMb, static_cast<double>(load.bytes) / (1 << 20));
  verdicts.push_back({"loading 32,767 presets vs bare read", load.product.min, load.bare.min, 2.0});
  std::printf("%s", out.text().c_str());
}

}  // namespace qbbench
