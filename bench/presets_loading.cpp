#include <cstdio>
#include <string_view>

#include "bench/figures.h"
#include "catalogue/provider_catalogue.h"
#include "catalogue/provider_file.h"

namespace qbbench {

void MeasureLoading(const ScratchFolder& folder, std::size_t bytes, std::vector<Verdict>& verdicts) {
  folder.MakeCurrent();
  // What each run builds is kept until its block ends, so that no run pays
  // for freeing the one before, and each builds its data in fresh memory, as
  // the program's one load does.
  std::vector<qb::ProviderCatalogue> catalogues;
  std::vector<FileBytes> reads;
  auto check = [&] {
    for (const auto& c : catalogues)
      if (c.size() != static_cast<std::size_t>(kPresetCount) || !c.problems().empty() || c[0].settings.any() ||
          !c[1].settings.ssl || c[kPresetCount - 1].name != "Provider 32766")
        Fail("LoadProviderFile gives other presets than the file's");
    for (const auto& r : reads)
      if (r.size != bytes) Fail("the bare read gets the wrong number of bytes");
    catalogues.clear();
    reads.clear();
  };
  const Paired p = Alternate(9, 15, Clocked([&] { catalogues.push_back(qb::LoadProviderFile()); }),
                             Clocked([&] { reads.push_back(BareReadFile(qb::kProviderFileName)); }), check);
  const Summary a = Summarize(p.a), b = Summarize(p.b);
  std::printf(
      "\n== Loading %d presets: LoadProviderFile against a bare CreateFile/ReadFile of the same file\n"
      "file: %zu bytes, every second preset with \"ssl in=995 out=465 auth login=address\"; %zu runs each\n"
      "in %zu blocks\n",
      kPresetCount, bytes, p.a.size(), p.ratios.size());
  std::printf("LoadProviderFile  min %6.2f ms  median %6.2f ms\n", Ms(a.min), Ms(a.median));
  std::printf("bare read         min %6.2f ms  median %6.2f ms\n", Ms(b.min), Ms(b.median));
  std::printf("ratio %.3f (min/min %.3f, median/median %.3f)\n", p.Ratio(), a.min / b.min, a.median / b.median);
  verdicts.push_back({"loading 32,767 presets vs the bare read", p.Ratio(), 1.5});
}

}  // namespace qbbench
