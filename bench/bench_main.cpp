// Performance of Configurazione Mail under its real working conditions: a real
// MainForm on a scratch registry, measured against bare Win32 loops doing the
// same work in the same process. Prints one table per figure and a summary of
// every ratio against its limit. Checks along the way fail loudly (exit code 1).
#include <windows.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "accounts/account_layout.h"
#include "accounts/account_list.h"
#include "accounts/account_writer.h"
#include "app/main_form.h"
#include "app/text_convert.h"
#include "bench/bare_baselines.h"
#include "bench/bench_support.h"
#include "bench/user_startup.h"
#include "catalogue/provider_catalogue.h"
#include "catalogue/provider_file.h"

namespace {

using namespace qbbench;

constexpr int kPresetCount = 32767;
constexpr int kStartupAccounts = 10000;
constexpr int kOverflowAccounts = 40000;
constexpr int kDefaultIndex = 500;  // present at every size
constexpr int kAdds = 200;
constexpr int kUserStartupAccounts = 5000;

// ---------------------------------------------------------------- test data

std::string AddressOf(int i) {
  char text[64];
  std::snprintf(text, sizeof text, "utente%05d@example.it", i);
  return text;
}

std::string KeyOf(int i) { return qb::kAccountKeyPrefix + AddressOf(i); }

// With `settings`, every second preset has a settings field as well.
std::string PresetFile(int count, bool settings = false) {
  std::string text = "# providers.lst di prova\r\n";
  text.reserve(static_cast<std::size_t>(count) * 120 + 64);
  char line[200];
  for (int i = 0; i < count; ++i) {
    std::snprintf(line, sizeof line, "Provider %05d;provider%05d.it;smtp.provider%05d.it;pop.provider%05d.it;%s%s\r\n", i,
                  i, i, i, i % 3 == 2 ? "IMAP" : "POP3",
                  settings && i % 2 == 1 ? ";ssl in=995 out=465 auth login=address" : "");
    text += line;
  }
  return text;
}

// The account keys of the run, made with the raw API: one RegCreateKeyExA,
// one RegSetValueExA and one RegCloseKey each, below one open accounts root.
// They are volatile: nothing of them reaches the registry files of the prefix,
// whatever happens to the run, and the periodic registry save of the Wine
// server has nothing large to write in the middle of a measurement.
class AccountKeys {
 public:
  AccountKeys() {
    if (RegCreateKeyExA(HKEY_CURRENT_USER, qb::kAccountsRoot, 0, nullptr, 0, KEY_CREATE_SUB_KEY | KEY_SET_VALUE, nullptr,
                        &root_, nullptr) != ERROR_SUCCESS)
      Fail("cannot create the accounts root");
    HKEY manager;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, qb::kManagerKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &manager, nullptr) !=
        ERROR_SUCCESS)
      Fail("cannot create the manager key");
    const std::string def = KeyOf(kDefaultIndex);
    RegSetValueExA(manager, qb::kDefaultMailAccountValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(def.c_str()),
                   static_cast<DWORD>(def.size() + 1));
    RegCloseKey(manager);
  }
  ~AccountKeys() { RegCloseKey(root_); }

  // Seconds taken to add the keys up to `count`.
  double GrowTo(int count) {
    const double t0 = Now();
    for (; count_ < count; ++count_) Make(KeyOf(count_), AddressOf(count_), true);
    return Now() - t0;
  }

  // A key that the list must skip: no address value, or an empty one.
  void MakeUnlisted(const std::string& key, bool emptyAddress) { Make(key, "", emptyAddress); }

  // One account key, with its address value when withValue.
  void Make(const std::string& key, const std::string& address, bool withValue) {
    HKEY h;
    if (RegCreateKeyExA(root_, key.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_SET_VALUE, nullptr, &h, nullptr) !=
        ERROR_SUCCESS)
      Fail("cannot create account key " + key);
    if (withValue)
      RegSetValueExA(h, qb::kSmtpEmailAddressValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(address.c_str()),
                     static_cast<DWORD>(address.size() + 1));
    RegCloseKey(h);
  }

 private:
  HKEY root_ = nullptr;
  int count_ = 0;
};

// ---------------------------------------------------------------- the real window

// A MainForm whose message boxes, help, fatal errors and end are recorded
// instead of shown.
class BenchForm {
 public:
  BenchForm() {
    qb::MainForm::Services services;
    services.messageBox = [this](HWND, const std::wstring& text, const std::wstring&, UINT) {
      messages.push_back(text);
      if (answers.empty()) return IDNO;
      const int answer = answers.front();
      answers.pop_front();
      return answer;
    };
    services.help = [](HWND, const std::string&, UINT, DWORD_PTR) {};
    services.fatal = [this](HWND, const qb::AppError& error) { fatal.push_back(error); };
    services.ended = [] {};
    form_ = std::make_unique<qb::MainForm>(GetModuleHandleW(nullptr), services);
  }

  void Start() {
    form_->Startup();
    CheckNoError("start-up");
  }
  void CheckNoError(const std::string& during) const {
    if (!fatal.empty())
      Fail(during + " raised error " + std::to_string(fatal.front().number()) + ": " + fatal.front().description());
  }

  qb::MainForm& form() { return *form_; }
  HWND lista() const { return form_->control(qb::kLista); }
  int Rows() const { return static_cast<int>(SendMessageW(lista(), LB_GETCOUNT, 0, 0)); }
  std::wstring Row(int i) const {
    std::wstring row(static_cast<std::size_t>(SendMessageW(lista(), LB_GETTEXTLEN, static_cast<WPARAM>(i), 0)) + 1, L'\0');
    row.resize(static_cast<std::size_t>(
        SendMessageW(lista(), LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(row.data()))));
    return row;
  }

  std::vector<std::wstring> messages;
  std::deque<int> answers;
  std::vector<qb::AppError> fatal;

 private:
  std::unique_ptr<qb::MainForm> form_;
};

// ---------------------------------------------------------------- output

// The text of one section of the results, printed once the whole run is done,
// in reading order rather than in the order the measurements ran.
class Report {
 public:
  __attribute__((format(gnu_printf, 2, 3))) void operator()(const char* format, ...) {
    char line[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    text_ += line;
  }
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

// Progress on stderr while the run goes on.
void Progress(const char* what) {
  static const double start = Now();
  std::fprintf(stderr, "[%6.1f s] %s\n", Now() - start, what);
  std::fflush(stderr);
}

double Ms(double seconds) { return seconds * 1e3; }
double Us(double seconds) { return seconds * 1e6; }

struct Verdict {
  std::string figure;
  double measured;  // seconds
  double baseline;  // seconds
  double limit;     // largest allowed measured / baseline
};
std::vector<Verdict> g_verdicts;

void Line(Report& out) { out("%s\n", std::string(100, '-').c_str()); }

// Runs the two candidates alternately, `reps` times each (after one untimed
// round when warmUp), with the order swapped every round; each run is followed
// by a pump of the messages it left (repaints), untimed.
void Alternate(int reps, const std::function<void()>& a, const std::function<void()>& b, std::vector<double>& ta,
               std::vector<double>& tb, bool warmUp = true) {
  if (warmUp) {
    a();
    PumpMessages();
    b();
    PumpMessages();
  }
  for (int r = 0; r < reps; ++r) {
    for (int k = 0; k < 2; ++k) {
      const bool first = (k == 0) == (r % 2 == 0);
      const double t0 = Now();
      (first ? a : b)();
      const double t = Now() - t0;
      (first ? ta : tb).push_back(t);
      PumpMessages();
    }
  }
}

// ---------------------------------------------------------------- account list rebuild

struct RebuildFigure {
  int accounts;
  Summary product;
  Summary bare;
  // Median over the rounds of product / bare within the round: the two ran
  // back to back, under the same load of the shared server.
  double pairedRatio = 0;
};

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

// The program's rebuild and start-up taken apart, each piece against its bare
// counterpart, to show where the time goes.
struct Pieces {
  int accounts = 0;
  int presets = 0;
  Summary productRead, bareRead, bareReadRelative;
  Summary productFill, bareFill, bareFillNoStorage, bareFillTipped;
  Summary productCombo, bareCombo, bareComboTipped;
  double getPropUs = 0;
  bool listaSubclassed = false, providerSubclassed = false;
};

constexpr wchar_t kComctlSubclassProperty[] = L"CC32SubclassInfo";  // comctl32's SetWindowSubclass bookkeeping

Pieces MeasurePieces(BenchForm& listForm, ScratchHkcu& scratch, const ScratchFolder& small, BareWindow& bare,
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

// ---------------------------------------------------------------- more rows than 16 bits count

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
  if (form.messages.size() != 1 || form.messages[0] != L"Vuoi veramente cancellare l'indirizzo " + pickedRow + L"?")
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

// ---------------------------------------------------------------- start-up to ready

struct StartupFigure {
  Summary large, small;
  Summary bareRegistry, bareParse, bareCombo;
  Summary bareRead, productParse;
};

StartupFigure MeasureStartup(ScratchHkcu& scratch, const ScratchFolder& small, const ScratchFolder& big,
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

// ---------------------------------------------------------------- loading the presets

struct LoadFigure {
  Summary product, bare, bareViews, bareStrings, bareIndex;
  std::size_t bytes = 0;
  double firstTouchUsPerMb = 0;
};

// Microseconds to touch one fresh megabyte for the first time (page faults):
// a floor under everything that builds large new data.
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

// ---------------------------------------------------------------- adding one account

struct AddFigure {
  Summary product, bare;
  RegistryCallCounts newKey, newKeyDefault, sameKey, bareCalls;
};

qb::AccountInput InputFor(const std::string& userName) {
  return qb::AccountInput{userName, "example.it", "Utente di prova", "smtp.example.it", "pop.example.it"};
}

AddFigure MeasureAdd(int adds) {
  AddFigure fig;
  std::vector<double> tp, tb;
  char name[32];
  for (int i = 0; i < adds; ++i) {
    for (int k = 0; k < 2; ++k) {
      const bool product = (k == 0) == (i % 2 == 0);
      std::snprintf(name, sizeof name, product ? "nuovo%04d" : "grezzo%04d", i);
      const qb::AccountInput input = InputFor(name);
      const double t0 = Now();
      if (product)
        qb::WriteAccount(input, qb::IncomingProtocol::Pop3, false);
      else if (!BareAddPop3Account(input.userName, input.domain))
        Fail("the bare add cannot create its key");
      (product ? tp : tb).push_back(Now() - t0);
    }
  }
  // What one add wrote, as the registry holds it.
  HKEY key;
  const std::string path = qb::AccountKeyPath(qb::AccountKeyName("nuovo0000@example.it"));
  DWORD values = 0;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(key);
  }
  if (values != 9) Fail("a POP3 account key holds " + std::to_string(values) + " values, expected 9");

  auto count = [](const std::function<void()>& work) {
    RegistryCallCounter counter;
    if (counter.hooked() == 0) Fail("the registry calls cannot be counted");
    work();
    return counter.counts();
  };
  fig.newKey = count([] { qb::WriteAccount(InputFor("contato1"), qb::IncomingProtocol::Pop3, false); });
  fig.newKeyDefault = count([] { qb::WriteAccount(InputFor("contato2"), qb::IncomingProtocol::Pop3, true); });
  fig.sameKey = count([] { qb::WriteAccount(InputFor("contato1"), qb::IncomingProtocol::Pop3, false); });
  fig.bareCalls = count([] { BareAddPop3Account("contato3", "example.it"); });
  fig.product = Summarize(tp);
  fig.bare = Summarize(tb);
  return fig;
}

}  // namespace

int main() {
  const double runStart = Now();
  Progress("start");
  SYSTEMTIME st;
  GetSystemTime(&st);
  using WineVersionFn = const char*(CDECL*)();
  auto wineVersion = reinterpret_cast<WineVersionFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")));
  const std::string platform = wineVersion ? std::string("Wine ") + wineVersion() : std::string("Windows");

  ScratchHkcu scratch;  // HKEY_CURRENT_USER is a scratch key from here on
  ScratchFolder small("small"), big("big"), loading("loading");
  small.Write(qb::kProviderFileName, "Quillbeck;quillbeck.it;smtp.quillbeck.it;pop.quillbeck.it;POP3\r\n");
  const std::string presetText = PresetFile(kPresetCount);
  big.Write(qb::kProviderFileName, presetText);
  const std::string settingsText = PresetFile(kPresetCount, true);  // for the loading figure
  loading.Write(qb::kProviderFileName, settingsText);
  small.MakeCurrent();

  AccountKeys keys;
  BenchForm listForm;
  listForm.Start();
  PumpMessages();
  RECT lr, cr;
  GetWindowRect(listForm.lista(), &lr);
  GetWindowRect(listForm.form().control(qb::kProvider), &cr);
  BareWindow bare(SIZE{lr.right - lr.left, lr.bottom - lr.top}, SIZE{cr.right - cr.left, cr.bottom - cr.top},
                  reinterpret_cast<HFONT>(SendMessageW(listForm.lista(), WM_GETFONT, 0, 0)));
  PumpMessages();

  Report rebuildOut, startupOut, overflowOut, loadOut, addOut, summaryOut;
  std::vector<std::string> setupNotes;
  std::vector<RebuildFigure> rebuilds;
  StartupFigure startup;
  std::string callsPerRebuild;
  Pieces pieces;

  // ------------------------------------------------------------ list rebuild at three sizes, start-up at 10,000
  struct Size {
    int accounts;
    int reps;
  };
  int made = 0;
  for (const Size size : {Size{1000, 9}, Size{kStartupAccounts, 5}, Size{kPresetCount, 5}}) {
    const double seconds = keys.GrowTo(size.accounts);
    char note[200];
    std::snprintf(note, sizeof note, "set-up: account keys %d..%d made in %.2f s (%.1f us per key, 3 calls each)", made,
                  size.accounts - 1, seconds, Us(seconds) / (size.accounts - made));
    setupNotes.push_back(note);
    made = size.accounts;
    Progress(("list rebuild at " + std::to_string(size.accounts)).c_str());
    // Only the first size needs a warm-up round: the process is warm after it.
    rebuilds.push_back(MeasureRebuild(listForm, bare.list(), size.accounts, size.reps, size.accounts == 1000));
    if (size.accounts == 1000) {
      RegistryCallCounts counted;
      {
        RegistryCallCounter counter;
        if (counter.hooked() == 0) Fail("the registry calls cannot be counted (no import slots found)");
        listForm.form().process_registry();
        counted = counter.counts();
      }
      PumpMessages();
      char text[300];
      std::snprintf(text, sizeof text, "registry calls of one rebuild at 1000 accounts: %s (%.3f per account)",
                    FormatCounts(counted).c_str(), static_cast<double>(counted.total()) / 1000);
      callsPerRebuild = text;
    }
    if (size.accounts == kStartupAccounts) {
      Progress("start-up");
      startup = MeasureStartup(scratch, small, big, bare, presetText, 5);
      Progress("where the time goes");
      qb::ProviderCatalogue presets;
      qb::ParseProviderText(presetText, presets);
      std::vector<std::string> names;
      for (std::size_t i = 0; i < presets.size(); ++i) names.push_back(presets[i].name);
      pieces = MeasurePieces(listForm, scratch, small, bare, names, kStartupAccounts, 3);
    }
  }

  // ------------------------------------------------------------ past 32,767
  Progress("past 32,767 rows");
  double overflowRebuild = 0;
  {
    const double seconds = keys.GrowTo(kOverflowAccounts);
    overflowOut("set-up: account keys %d..%d made in %.2f s\n", kPresetCount, kOverflowAccounts - 1, seconds);
    int unlisted = 0;
    CheckOverflow(overflowOut, listForm, keys, overflowRebuild, unlisted);
    overflowOut("rebuild of the %d keys (%d listed): %.1f ms, %.2f us per account; no crash, no error\n",
                kOverflowAccounts + unlisted, kOverflowAccounts, Ms(overflowRebuild),
                Us(overflowRebuild) / kOverflowAccounts);
  }

  // ------------------------------------------------------------ loading presets, adding accounts
  Progress("loading presets");
  const LoadFigure load = MeasureLoad(loading, settingsText.size(), 9);
  small.MakeCurrent();
  Progress("adding accounts");
  const AddFigure add = MeasureAdd(kAdds);
  Progress("start-up as the user sees it");
  const UserStartupFigure userStartup = MeasureUserStartup(kUserStartupAccounts, 7);
  Progress("done measuring");

  // ------------------------------------------------------------ the report
  std::printf("Configurazione Mail benchmark, %04d-%02d-%02d %02d:%02d UTC, %s, x86-64 build\n", st.wYear, st.wMonth,
              st.wDay, st.wHour, st.wMinute, platform.c_str());
  std::printf("Times from QueryPerformanceCounter. The program and its bare twin run alternately. List rebuilds:\n"
              "ratio = median over the rounds of (program / bare of the same round); other ratios: minimum over\n"
              "minimum of the repetitions (medians beside).\n"
              "HKEY_CURRENT_USER is a scratch key (RegOverridePredefKey) for the whole run.\n");

  std::printf("\n== 1. Account list rebuild: process_registry into the real lista vs bare loop + bare list box\n");
  std::printf("bare: RegOpenKeyExA+RegQueryValueExA+RegCloseKey of Default Mail Account; RegEnumKeyA over the\n"
              "accounts root; per key RegOpenKeyExA (full path) + RegQueryValueExA(SMTP Email Address) +\n"
              "RegCloseKey; WM_SETREDRAW off, LB_RESETCONTENT, LB_INITSTORAGE, LB_ADDSTRING per row, redraw on.\n");
  PrintRebuildHeader(rebuildOut);
  for (const RebuildFigure& f : rebuilds) PrintRebuild(rebuildOut, f);
  {
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
    rebuildOut("growth: per-account time of the product varies by a factor %.2f across the sizes, that of the bare\n"
               "loop likewise with the load of the shared server; per-account time relative to the bare loop at the\n"
               "same size varies by a factor %.2f (1.00 = grows exactly as the bare loop, which is linear)\n",
               hi / lo, rhi / rlo);
    g_verdicts.push_back({"list rebuild growth (paired ratio, max/min)", rhi, rlo, 1.3});
  }
  rebuildOut("%s\n", callsPerRebuild.c_str());
  for (const std::string& n : setupNotes) rebuildOut("%s\n", n.c_str());
  std::printf("%s", rebuildOut.text().c_str());
  for (const RebuildFigure& f : rebuilds)
    g_verdicts.insert(g_verdicts.end() - 1, {"list rebuild, " + std::to_string(f.accounts) + " accounts (paired)",
                                             f.pairedRatio, 1.0, 1.3});

  std::printf("\n== 2. Start-up to ready: 32,767 presets + 10,000 accounts, minus 1 preset + no accounts\n");
  {
    const double diff = startup.large.min - startup.small.min;
    const double sum = startup.bareRegistry.min + startup.bareParse.min + startup.bareCombo.min;
    startupOut("Startup(), 32,767 presets + 10,000 accounts  min %8.1f ms  median %8.1f ms\n", Ms(startup.large.min),
               Ms(startup.large.median));
    startupOut("Startup(), 1 preset + no accounts            min %8.1f ms  median %8.1f ms\n", Ms(startup.small.min),
               Ms(startup.small.median));
    startupOut("difference (the cost of the data)                %8.1f ms\n", Ms(diff));
    startupOut("bare registry loop + list fill, 10,000 accounts  %8.1f ms\n", Ms(startup.bareRegistry.min));
    startupOut("bare split of the 32,767 preset lines            %8.1f ms\n", Ms(startup.bareParse.min));
    startupOut("bare combo fill (CB_INITSTORAGE + CB_ADDSTRING)  %8.1f ms\n", Ms(startup.bareCombo.min));
    startupOut("sum of the bare parts                            %8.1f ms\n", Ms(sum));
    startupOut("ratio difference / sum                           %8.3f   (medians: %.3f)\n", diff / sum,
               (startup.large.median - startup.small.median) /
                   (startup.bareRegistry.median + startup.bareParse.median + startup.bareCombo.median));
    startupOut("for reference: bare file read %.1f ms; qb::ParseProviderText on the same bytes %.1f ms\n",
               Ms(startup.bareRead.min), Ms(startup.productParse.min));
    g_verdicts.push_back({"start-up, data cost vs bare parts", diff, sum, 1.3});
  }
  std::printf("%s", startupOut.text().c_str());

  std::printf("\n== Where the time of sections 1 and 2 goes: each piece of the program against its bare twin\n");
  Report piecesOut;
  PrintPieces(piecesOut, pieces);
  std::printf("%s", piecesOut.text().c_str());

  std::printf("\n== 3. Loading 32,767 presets: LoadProviderFile vs bare CreateFile/ReadFile of the same file\n");
  loadOut("file: %d bytes, %d data lines, every second one with \"ssl in=995 out=465 auth login=address\"\n",
          static_cast<int>(load.bytes), kPresetCount);
  loadOut("LoadProviderFile  min %7.2f ms  median %7.2f ms  (%.3f us per preset)\n", Ms(load.product.min),
          Ms(load.product.median), Us(load.product.min) / kPresetCount);
  loadOut("bare read         min %7.2f ms  median %7.2f ms\n", Ms(load.bare.min), Ms(load.bare.median));
  loadOut("ratio %.3f (medians: %.3f)\n", load.product.min / load.bare.min, load.product.median / load.bare.median);
  loadOut("for reference, each as plain code, min of the same runs:\n");
  loadOut("  bare read + split into five strings per preset (the program's work)  %7.2f ms, %.3f x bare read\n",
          Ms(load.bareStrings.min), load.bareStrings.min / load.bare.min);
  loadOut("  bare read + split into five views of the read bytes (no allocation)  %7.2f ms, %.3f x bare read\n",
          Ms(load.bareViews.min), load.bareViews.min / load.bare.min);
  loadOut("  bare read + index of where each line starts (fields cut on demand)   %7.2f ms, %.3f x bare read\n",
          Ms(load.bareIndex.min), load.bareIndex.min / load.bare.min);
  loadOut("  LoadProviderFile / (bare read + split into strings)                 %7.3f\n",
          load.product.min / load.bareStrings.min);
  loadOut("  first touch of fresh memory on this machine: %.0f us per MB (the bare read fills %.1f MB of it)\n",
          load.firstTouchUsPerMb, static_cast<double>(load.bytes) / (1 << 20));
  g_verdicts.push_back({"loading 32,767 presets vs bare read", load.product.min, load.bare.min, 2.0});
  std::printf("%s", loadOut.text().c_str());

  std::printf("\n== 4. More rows than the 16-bit row counter allows\n");
  std::printf("%s", overflowOut.text().c_str());

  std::printf("\n== 5. Adding one POP3 account: qb::WriteAccount, %d adds, with 40,000 accounts present\n", kAdds);
  addOut("WriteAccount         min %6.0f us  median %6.0f us per add\n", Us(add.product.min), Us(add.product.median));
  addOut("bare add (one handle) min %6.0f us  median %6.0f us per add   ratio %.2f (median %.2f), no target\n",
         Us(add.bare.min), Us(add.bare.median), add.product.min / add.bare.min, add.product.median / add.bare.median);
  addOut("registry calls, new key:                  %s\n", FormatCounts(add.newKey).c_str());
  addOut("registry calls, new key + default:        %s\n", FormatCounts(add.newKeyDefault).c_str());
  addOut("registry calls, same address again:       %s\n", FormatCounts(add.sameKey).c_str());
  addOut("registry calls, bare add:                 %s\n", FormatCounts(add.bareCalls).c_str());
  addOut("through the window, an add is followed by UpdateForm: one full list rebuild (section 1)\n");
  std::printf("%s", addOut.text().c_str());

  std::printf("\n== 6. Start-up as the user sees it: process start to a window that answers messages, Quillbeck.exe\n"
              "with no accounts and with %d, against a trivial window program built with the same compiler\n",
              kUserStartupAccounts);
  std::printf("%s", FormatUserStartup(userStartup).c_str());

  std::printf("\n== Summary against the targets\n");
  summaryOut("%-48s | %12s | %12s | %7s | %6s | %s\n", "figure", "measured", "baseline", "ratio", "limit", "verdict");
  Line(summaryOut);
  int missed = 0;
  for (const Verdict& v : g_verdicts) {
    const double ratio = v.measured / v.baseline;
    const bool ok = ratio <= v.limit;
    missed += ok ? 0 : 1;
    const bool plain = v.figure.find("growth") != std::string::npos || v.figure.find("paired") != std::string::npos;
    if (plain)
      summaryOut("%-48s | %12.3f | %12.3f | %7.3f | %6.2f | %s\n", v.figure.c_str(), v.measured, v.baseline, ratio,
                 v.limit, ok ? "met" : "MISSED");
    else
      summaryOut("%-48s | %9.1f ms | %9.1f ms | %7.3f | %6.2f | %s\n", v.figure.c_str(), Ms(v.measured),
                 Ms(v.baseline), ratio, v.limit, ok ? "met" : "MISSED");
  }
  summaryOut("past 32,767 rows (40,000 listed accounts): every row maps to its own key; remove of row 36000 ok\n");
  std::printf("%s", summaryOut.text().c_str());
  std::printf("\n%d of %d targets missed; run took %.0f s (clean-up follows)\n", missed,
              static_cast<int>(g_verdicts.size()), Now() - runStart);
  std::fflush(stdout);
  Progress("clean-up");
  return 0;
}
