#include "bench/list_rebuild.h"

#include <algorithm>
#include <cstdio>

#include "accounts/account_layout.h"
#include "app/text_convert.h"
#include "bench/bare_baselines.h"

namespace qbbench {

RebuildFigure MeasureRebuild(BenchForm& form, HWND bareList, int accounts, int reps, bool warmUp) {
  RebuildFigure fig{accounts, {}, {}};
  std::vector<double> tp, tb;
  std::size_t bareRows = 0;
  Alternate(
      reps, [&] { form.form().process_registry(); },
      [&] {
        const BareListing listing = BareReadAccounts(BareOpen::FullPath);
        BareFillList(bareList, listing.rows, true, true);
        bareRows = listing.rows.size();
      },
      tp, tb, warmUp);
  form.CheckNoError("process_registry");
  if (form.Rows() != accounts || static_cast<int>(form.form().accountKeyList().size()) != accounts ||
      static_cast<int>(bareRows) != accounts)
    Fail("rebuild at " + std::to_string(accounts) + " accounts: the list shows " + std::to_string(form.Rows()) +
         " rows, " + std::to_string(form.form().accountKeyList().size()) + " keys, the bare loop " +
         std::to_string(bareRows));
  fig.product = Summarize(tp);
  fig.bare = Summarize(tb);
  std::vector<double> ratios;
  for (std::size_t i = 0; i < tp.size() && i < tb.size(); ++i) ratios.push_back(tp[i] / tb[i]);
  fig.pairedRatio = Summarize(ratios).median;
  return fig;
}

namespace {

void PrintRebuildHeader(Report& out) {
  out("%8s | %11s %11s | %11s %11s | %7s %7s | %9s %9s\n", "accounts", "product min", "median", "bare min", "median",
      "paired", "min/min", "us/acct", "bare us/a");
  Line(out);
}

void PrintRebuild(Report& out, const RebuildFigure& f) {
  out("%8d | %9.1fms %9.1fms | %9.1fms %9.1fms | %7.3f %7.3f | %9.2f %9.2f\n", f.accounts, Ms(f.product.min),
      Ms(f.product.median), Ms(f.bare.min), Ms(f.bare.median), f.pairedRatio, f.product.min / f.bare.min,
      Us(f.product.min) / f.accounts, Us(f.bare.min) / f.accounts);
}

// More rows than 16 bits count.
void CheckOverflow(Report& out, BenchForm& form, AccountKeys& keys, double& rebuildSeconds, int& unlisted) {
  // Keys that the list must skip, spread past row 32,767, so that row index
  // and enumeration index part ways where the 16-bit counter would wrap.
  unlisted = 0;
  for (int i = 32100; i < kOverflowAccounts; i += 400, ++unlisted) {
    char name[64];
    std::snprintf(name, sizeof name, "(KX) utente%05d-senza-indirizzo", i);
    keys.MakeUnlisted(name, unlisted % 2 == 1);  // half without the value, half with an empty one
  }

  const double t0 = Now();
  form.form().process_registry();
  rebuildSeconds = Now() - t0;
  form.CheckNoError("process_registry with more than 32,767 accounts");
  PumpMessages();

  const BareListing expected = BareReadAccounts();
  const auto& keyList = form.form().accountKeyList();
  const int rows = form.Rows();
  out("keys below the accounts root: %d with an address, %d without; rows shown: %d; AccountKeyList: %d\n",
      kOverflowAccounts, unlisted, rows, static_cast<int>(keyList.size()));
  if (static_cast<int>(expected.rows.size()) != kOverflowAccounts)
    Fail("the bare loop finds " + std::to_string(expected.rows.size()) + " listed accounts, expected " +
         std::to_string(kOverflowAccounts));
  if (rows != kOverflowAccounts) Fail("the list shows " + std::to_string(rows) + " rows, expected 40000");
  if (keyList != expected.keys) Fail("the AccountKeyList differs from the registry's listed keys");
  int defaults = 0;
  for (int i = 0; i < rows; ++i) {
    const std::wstring row = form.Row(i);
    if (row != qb::WideFromAnsi(expected.rows[static_cast<std::size_t>(i)]))
      Fail("row " + std::to_string(i) + " shows the wrong text");
    std::string address = qb::AnsiFromWide(row);
    const std::string marker = qb::kDefaultMarker;
    if (address.size() > marker.size() && address.compare(address.size() - marker.size(), marker.size(), marker) == 0) {
      address.resize(address.size() - marker.size());
      ++defaults;
    }
    if (keyList[static_cast<std::size_t>(i)] != qb::kAccountKeyPrefix + address)
      Fail("row " + std::to_string(i) + " (" + address + ") maps to key " + keyList[static_cast<std::size_t>(i)]);
  }
  if (defaults != 1 || form.Row(kDefaultIndex) != qb::WideFromAnsi(AddressOf(kDefaultIndex) + qb::kDefaultMarker))
    Fail("the default account is not marked exactly once, on its own row");
  out("every row i shows the address of accountKeyList()[i] (rows 0..%d); the default row is marked once\n",
              rows - 1);

  // Remove a row past 32,767 through the window, as the user would.
  const int pick = 36000;
  const std::wstring pickedRow = form.Row(pick);
  const std::string pickedKey = keyList[static_cast<std::size_t>(pick)];
  SendMessageW(form.lista(), LB_SETCURSEL, static_cast<WPARAM>(pick), 0);
  form.form().OnCommand(qb::kLista, LBN_SELCHANGE, form.lista());
  if (!IsWindowEnabled(form.form().control(qb::kBtnCancella))) Fail("selecting row 36000 leaves the remove button off");
  form.answers.push_back(IDYES);
  form.messages.clear();
  form.form().OnCommand(qb::kBtnCancella, BN_CLICKED, form.form().control(qb::kBtnCancella));
  form.CheckNoError("removing row 36000");
  PumpMessages();
  const std::wstring confirmation = L"Vuoi veramente cancellare l'indirizzo " + pickedRow + L"?";
  if (form.messages.size() != 1 || form.messages[0].text != confirmation)
    Fail("the confirmation for row 36000 does not name its address");
  HKEY probe;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, (qb::kAccountsRoot + pickedKey).c_str(), 0, KEY_READ, &probe) == ERROR_SUCCESS) {
    RegCloseKey(probe);
    Fail("removing row 36000 left its key " + pickedKey);
  }
  std::vector<std::string> remaining = expected.keys;
  remaining.erase(remaining.begin() + pick);
  if (form.Rows() != kOverflowAccounts - 1 || form.form().accountKeyList() != remaining ||
      form.Row(pick) != qb::WideFromAnsi(expected.rows[static_cast<std::size_t>(pick) + 1]))
    Fail("removing row 36000 removed more or less than its own key");
  out("removing row %d through the window deletes its own key (%s) and nothing else\n", pick,
              pickedKey.c_str());
  keys.Make(pickedKey, pickedKey.substr(std::string(qb::kAccountKeyPrefix).size()), true);  // back as it was
}

}  // namespace

std::string CountRebuildCalls(BenchForm& form, int accounts) {
  RegistryCallCounts counted;
  {
    RegistryCallCounter counter;
    if (counter.hooked() == 0) Fail("the registry calls cannot be counted (no import slots found)");
    form.form().process_registry();
    counted = counter.counts();
  }
  PumpMessages();
  char text[300];
  std::snprintf(text, sizeof text, "registry calls of one rebuild at %d accounts: %s (%.3f per account)", accounts,
                FormatCounts(counted).c_str(), static_cast<double>(counted.total()) / accounts);
  return text;
}

void PrintRebuildSection(const std::vector<RebuildFigure>& rebuilds, const std::string& callsPerRebuild,
                         const std::vector<std::string>& setupNotes, std::vector<Verdict>& verdicts) {
  std::printf("\n== 1. Account list rebuild: process_registry into the real lista vs bare loop + bare list box\n");
  std::printf("bare: RegOpenKeyExA+RegQueryValueExA+RegCloseKey of Default Mail Account; RegEnumKeyA over the\n"
              "accounts root; per key RegOpenKeyExA (full path) + RegQueryValueExA(SMTP Email Address) +\n"
              "RegCloseKey; WM_SETREDRAW off, LB_RESETCONTENT, LB_INITSTORAGE, LB_ADDSTRING per row, redraw on.\n");
  Report out;
  PrintRebuildHeader(out);
  for (const RebuildFigure& f : rebuilds) PrintRebuild(out, f);
  // Per-account time from one size to the next compares moments of the run
  // at which the shared Wine server may be more or less busy; divided by the
  // bare loop's per-account time, measured alternately with it, it compares
  // like with like. A cost per row that grew with the number of rows would
  // show as a rising ratio.
  double lo = 1e9, hi = 0, rlo = 1e9, rhi = 0;
  for (const RebuildFigure& f : rebuilds) {
    lo = std::min(lo, f.product.min / f.accounts);
    hi = std::max(hi, f.product.min / f.accounts);
    rlo = std::min(rlo, f.pairedRatio);
    rhi = std::max(rhi, f.pairedRatio);
  }
  out("growth: per-account time of the product varies by a factor %.2f across the sizes, that of the bare\n"
      "loop likewise with the load of the shared server; per-account time relative to the bare loop at the\n"
      "same size varies by a factor %.2f (1.00 = grows exactly as the bare loop, which is linear)\n",
      hi / lo, rhi / rlo);
  out("%s\n", callsPerRebuild.c_str());
  for (const std::string& n : setupNotes) out("%s\n", n.c_str());
  std::printf("%s", out.text().c_str());
  for (const RebuildFigure& f : rebuilds)
    verdicts.push_back({"list rebuild, " + std::to_string(f.accounts) + " accounts (paired)", f.pairedRatio, 1.0, 1.3});
  verdicts.push_back({"list rebuild growth (paired ratio, max/min)", rhi, rlo, 1.3});
}

Report MeasureOverflow(BenchForm& form, AccountKeys& keys) {
  Report out;
  const double seconds = keys.GrowTo(kOverflowAccounts);
  out("set-up: account keys %d..%d made in %.2f s\n", kPresetCount, kOverflowAccounts - 1, seconds);
  double rebuild = 0;
  int unlisted = 0;
  CheckOverflow(out, form, keys, rebuild, unlisted);
  out("rebuild of the %d keys (%d listed): %.1f ms, %.2f us per account; no crash, no error\n",
      kOverflowAccounts + unlisted, kOverflowAccounts, Ms(rebuild), Us(rebuild) / kOverflowAccounts);
  return out;
}

void PrintOverflowSection(const Report& overflow) {
  std::printf("\n== 4. More rows than the 16-bit row counter allows\n");
  std::printf("%s", overflow.text().c_str());
}

}  // namespace qbbench
