#include "bench/startup.h"

#include <windows.h>

#include <cstdio>
#include <functional>

#include "accounts/account_list.h"
#include "app/window_utils.h"
#include "catalogue/provider_catalogue.h"
#include "catalogue/provider_file.h"

namespace qbbench {

StartupFigure MeasureStartup(ScratchRegistry& scratch, const ScratchFolder& small, const ScratchFolder& big,
                             BareWindow& bare, const std::string& presetText, int reps) {
  StartupFigure fig;
  // One start-up, timed from Startup() to its return (window shown, presets in
  // the box, list filled, first preset selected). The small one runs on the
  // empty scratch key: no accounts at all.
  auto startOnce = [&](bool large) {
    if (large) {
      big.MakeCurrent();
    } else {
      scratch.UseEmpty();
      small.MakeCurrent();
    }
    double t = 0;
    {
      BenchForm f;
      const double t0 = Now();
      f.Start();
      t = Now() - t0;
      const int presets = static_cast<int>(SendMessageW(f.form().control(qb::kProvider), CB_GETCOUNT, 0, 0));
      const int wantPresets = large ? kPresetCount : 1;
      const int wantRows = large ? kStartupAccounts : 0;
      if (presets != wantPresets || f.Rows() != wantRows ||
          SendMessageW(f.form().control(qb::kProvider), CB_GETCURSEL, 0, 0) != 0)
        Fail("start-up shows " + std::to_string(presets) + " presets and " + std::to_string(f.Rows()) +
             " accounts, expected " + std::to_string(wantPresets) + " and " + std::to_string(wantRows));
    }
    scratch.UseFull();
    small.MakeCurrent();
    return t;
  };
  std::vector<double> tLarge, tSmall, wholeLarge, wholeSmall;
  startOnce(false);  // warm-up, untimed
  Alternate(
      reps, [&] { tLarge.push_back(startOnce(true)); }, [&] { tSmall.push_back(startOnce(false)); }, wholeLarge,
      wholeSmall, false);
  // The figures are the Startup() calls alone, without the window's tear-down
  // that Alternate's own timings include.
  fig.large = Summarize(tLarge);
  fig.small = Summarize(tSmall);

  // The bare parts of the same work.
  std::vector<double> reg, parse, combo, read, productParse;
  std::vector<std::string> names;
  names.reserve(kPresetCount);
  {
    std::vector<BareEntry> entries;
    BareSplit(presetText, entries);
    for (BareEntry& e : entries) names.push_back(e[0]);
  }
  big.MakeCurrent();
  std::vector<std::vector<BareEntry>> keepSplit(static_cast<std::size_t>(reps) + 1);
  std::vector<qb::ProviderCatalogue> keepParsed(static_cast<std::size_t>(reps) + 1);
  for (int r = 0; r <= reps; ++r) {  // round 0 untimed
    SendMessageW(bare.list(), LB_RESETCONTENT, 0, 0);
    SendMessageW(bare.combo(), CB_RESETCONTENT, 0, 0);
    PumpMessages();
    double t0 = Now();
    const BareListing listing = BareReadAccounts();
    BareFillList(bare.list(), listing.rows, false, true);
    const double tReg = Now() - t0;
    if (static_cast<int>(listing.rows.size()) != kStartupAccounts) Fail("the bare loop misses accounts at start-up size");
    PumpMessages();
    t0 = Now();
    BareSplit(presetText, keepSplit[static_cast<std::size_t>(r)]);
    const double tParse = Now() - t0;
    if (static_cast<int>(keepSplit[static_cast<std::size_t>(r)].size()) != kPresetCount) Fail("the bare split misses presets");
    t0 = Now();
    BareFillCombo(bare.combo(), names, true);
    const double tCombo = Now() - t0;
    PumpMessages();
    t0 = Now();
    const FileBytes bytes = BareReadFile(qb::kProviderFileName);
    const double tRead = Now() - t0;
    if (bytes.size != presetText.size()) Fail("the bare read gets the wrong number of bytes");
    t0 = Now();
    qb::ParseProviderText(presetText, keepParsed[static_cast<std::size_t>(r)]);
    const double tProductParse = Now() - t0;
    if (r == 0) continue;
    reg.push_back(tReg);
    parse.push_back(tParse);
    combo.push_back(tCombo);
    read.push_back(tRead);
    productParse.push_back(tProductParse);
  }
  small.MakeCurrent();
  SendMessageW(bare.combo(), CB_RESETCONTENT, 0, 0);
  fig.bareRegistry = Summarize(reg);
  fig.bareParse = Summarize(parse);
  fig.bareCombo = Summarize(combo);
  fig.bareRead = Summarize(read);
  fig.productParse = Summarize(productParse);
  return fig;
}

void PrintStartupSection(const StartupFigure& startup, std::vector<Verdict>& verdicts) {
  std::printf("\n== 2. Start-up to ready: 32,767 presets + 10,000 accounts, minus 1 preset + no accounts\n");
  Report out;
  const double diff = startup.large.min - startup.small.min;
  const double sum = startup.bareRegistry.min + startup.bareParse.min + startup.bareCombo.min;
  out("Startup(), 32,767 presets + 10,000 accounts  min %8.1f ms  median %8.1f ms\n", Ms(startup.large.min),
      Ms(startup.large.median));
  out("Startup(), 1 preset + no accounts            min %8.1f ms  median %8.1f ms\n", Ms(startup.small.min),
      Ms(startup.small.median));
  out("difference (the cost of the data)                %8.1f ms\n", Ms(diff));
  out("bare registry loop + list fill, 10,000 accounts  %8.1f ms\n", Ms(startup.bareRegistry.min));
  out("bare split of the 32,767 preset lines            %8.1f ms\n", Ms(startup.bareParse.min));
  out("bare combo fill (CB_INITSTORAGE + CB_ADDSTRING)  %8.1f ms\n", Ms(startup.bareCombo.min));
  out("sum of the bare parts                            %8.1f ms\n", Ms(sum));
  out("ratio difference / sum                           %8.3f   (medians: %.3f)\n", diff / sum,
      (startup.large.median - startup.small.median) /
          (startup.bareRegistry.median + startup.bareParse.median + startup.bareCombo.median));
  out("for reference: bare file read %.1f ms; qb::ParseProviderText on the same bytes %.1f ms\n",
      Ms(startup.bareRead.min), Ms(startup.productParse.min));
  std::printf("%s", out.text().c_str());
  verdicts.push_back({"start-up, data cost vs bare parts", diff, sum, 1.3});
}

std::vector<std::string> PresetNames(const std::string& presetText) {
  qb::ProviderCatalogue presets;
  qb::ParseProviderText(presetText, presets);
  std::vector<std::string> names;
  for (std::size_t i = 0; i < presets.size(); ++i) names.push_back(presets[i].name);
  return names;
}

constexpr wchar_t kComctlSubclassProperty[] = L"CC32SubclassInfo";  // comctl32's SetWindowSubclass bookkeeping

Pieces MeasurePieces(BenchForm& listForm, ScratchRegistry& scratch, const ScratchFolder& small, BareWindow& bare,
                     const std::vector<std::string>& names, int accounts, int reps) {
  Pieces p;
  p.accounts = accounts;
  p.presets = static_cast<int>(names.size());
  std::vector<double> pr, br, brr, pf, bf, bfn, bft, pc, bc, bct;
  auto timed = [](std::vector<double>& into, const std::function<void()>& work) {
    const double t0 = Now();
    work();
    into.push_back(Now() - t0);
    PumpMessages();
  };
  for (int r = 0; r < reps; ++r) {
    qb::AccountListing listing;
    timed(pr, [&] { listing = qb::ReadAccountList(); });
    timed(br, [&] { BareReadAccounts(BareOpen::FullPath); });
    timed(brr, [&] { BareReadAccounts(BareOpen::RelativeToRoot); });
    if (static_cast<int>(listing.rows.size()) != accounts) Fail("ReadAccountList misses accounts");
    timed(pf, [&] { qb::ArrayToListBox(listForm.lista(), listing.rows, true); });
    timed(bf, [&] { BareFillList(bare.list(), listing.rows, true, true); });
    timed(bfn, [&] { BareFillList(bare.list(), listing.rows, true, false); });
    if (r == 0) timed(bft, [&] { BareFillList(bare.tippedList(), listing.rows, true, true); });  // once: slow
  }
  p.productRead = Summarize(pr);
  p.bareRead = Summarize(br);
  p.bareReadRelative = Summarize(brr);
  p.productFill = Summarize(pf);
  p.bareFill = Summarize(bf);
  p.bareFillNoStorage = Summarize(bfn);
  p.bareFillTipped = Summarize(bft);
  p.listaSubclassed = GetPropW(listForm.lista(), kComctlSubclassProperty) != nullptr;

  // The provider box of a window of its own, started on the empty registry.
  scratch.UseEmpty();
  small.MakeCurrent();
  {
    BenchForm f;
    f.Start();
    scratch.UseFull();
    HWND provider = f.form().control(qb::kProvider);
    p.providerSubclassed = GetPropW(provider, kComctlSubclassProperty) != nullptr;
    for (int r = 0; r < reps; ++r) {
      for (HWND h : {provider, bare.combo(), bare.tippedCombo()}) SendMessageW(h, CB_RESETCONTENT, 0, 0);
      PumpMessages();
      timed(pc, [&] { qb::ArrayToListBox(provider, names, false); });
      timed(bc, [&] { BareFillCombo(bare.combo(), names, true); });
      if (r == 0) timed(bct, [&] { BareFillCombo(bare.tippedCombo(), names, true); });  // once: slow
      if (SendMessageW(provider, CB_GETCOUNT, 0, 0) != static_cast<LRESULT>(names.size())) Fail("the provider box misses names");
    }
    for (HWND h : {bare.combo(), bare.tippedCombo()}) SendMessageW(h, CB_RESETCONTENT, 0, 0);
  }
  scratch.UseFull();
  PumpMessages();
  p.productCombo = Summarize(pc);
  p.bareCombo = Summarize(bc);
  p.bareComboTipped = Summarize(bct);

  // What one window-property lookup costs here.
  const int lookups = 2000;
  const double t0 = Now();
  for (int i = 0; i < lookups; ++i) GetPropW(bare.tippedList(), kComctlSubclassProperty);
  p.getPropUs = Us(Now() - t0) / lookups;
  return p;
}

namespace {

void PrintPieces(Report& out, const Pieces& p) {
  auto row = [&](const char* what, const Summary& s, int items) {
    out("  %-64s %8.1f ms %8.2f us/item\n", what, Ms(s.min), Us(s.min) / items);
  };
  out("min of %d runs each (the two tooltip-watched bare boxes: 1 run); %d accounts, %d presets:\n",
      static_cast<int>(p.productRead.count), p.accounts, p.presets);
  row("qb::ReadAccountList (registry part of process_registry)", p.productRead, p.accounts);
  row("bare registry loop, keys opened by full path from HKCU", p.bareRead, p.accounts);
  row("bare registry loop, keys opened relative to the open root", p.bareReadRelative, p.accounts);
  row("qb::ArrayToListBox into the real lista (list part)", p.productFill, p.accounts);
  row("bare fill of a bare list box (LB_INITSTORAGE)", p.bareFill, p.accounts);
  row("bare fill of a bare list box, without LB_INITSTORAGE", p.bareFillNoStorage, p.accounts);
  row("bare fill of a bare list box that a TTF_SUBCLASS tooltip watches", p.bareFillTipped, p.accounts);
  row("qb::ArrayToListBox into the real provider combo box", p.productCombo, p.presets);
  row("bare fill of a bare combo box (CB_INITSTORAGE)", p.bareCombo, p.presets);
  row("bare fill of a bare combo box that a TTF_SUBCLASS tooltip watches", p.bareComboTipped, p.presets);
  out("  one GetPropW (window property; comctl32's subclass procedure does this per message): %.1f us\n", p.getPropUs);
  out("  lista carries comctl32's subclass property: %s; provider: %s\n", p.listaSubclassed ? "yes" : "no",
      p.providerSubclassed ? "yes" : "no");
}

}  // namespace

void PrintPiecesSection(const Pieces& pieces) {
  std::printf("\n== Where the time of sections 1 and 2 goes: each piece of the program against its bare twin\n");
  Report out;
  PrintPieces(out, pieces);
  std::printf("%s", out.text().c_str());
}

}  // namespace qbbench
