#include "bench/bench_support.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "accounts/account_layout.h"
#include "core/handles.h"
#include "tests/support/registry_helpers.h"

namespace qbbench {

// ---------------------------------------------------------------- timing

double Now() {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / frequency;
}

Summary Summarize(std::vector<double> samples) {
  if (samples.empty()) return {};
  std::sort(samples.begin(), samples.end());
  const std::size_t n = samples.size();
  return {samples.front(), n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2};
}

namespace {

// The first field of a Linux schedstat file: nanoseconds spent on a CPU.
// Wine opens the file in the calling thread, so "thread-self" is this one.
bool ReadSchedstat(const std::string& path, double& seconds) {
  const qb::FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
  if (!file) return false;
  char text[128];
  DWORD got = 0;
  const BOOL read = ReadFile(file.get(), text, sizeof text - 1, &got, nullptr);
  text[read ? got : 0] = '\0';
  unsigned long long ns = 0;
  if (std::sscanf(text, "%llu", &ns) != 1) return false;
  seconds = static_cast<double>(ns) * 1e-9;
  return true;
}

}  // namespace

CpuSeconds CpuNow() {
  static const std::string server = [] {
    char pid[32];
    const DWORD n = GetEnvironmentVariableA("QB_WINESERVER_PID", pid, sizeof pid);
    if (n == 0 || n >= sizeof pid || std::string(pid) == "0")
      Fail("QB_WINESERVER_PID names no Wine server (run tools/bench.sh)");
    return std::string("Z:\\proc\\") + pid + "\\schedstat";
  }();
  CpuSeconds out;
  if (!ReadSchedstat("Z:\\proc\\thread-self\\schedstat", out.own) || !ReadSchedstat(server, out.server))
    Fail("cannot read the CPU time of this thread or of the Wine server");
  return out;
}

void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

Paired Alternate(int blocks, int perBlock, const Candidate& a, const Candidate& b,
                 const std::function<void()>& afterBlock) {
  Paired p;
  auto timed = [](const Candidate& work) {
    const double t = work();
    PumpMessages();  // what the run left (repaints), untimed
    return t;
  };
  timed(a);  // the warm-up
  timed(b);
  for (int block = 0, turn = 0; block < blocks; ++block) {
    double fastest[2] = {1e30, 1e30};
    for (int i = 0; i < 2 * perBlock; ++i, ++turn) {
      const int which = (turn / 2 + turn) % 2;  // a b, b a, a b, ...
      const double t = timed(which == 0 ? a : b);
      (which == 0 ? p.a : p.b).push_back(t);
      fastest[which] = std::min(fastest[which], t);
    }
    p.ratios.push_back(fastest[0] / fastest[1]);
    if (afterBlock) afterBlock();
  }
  return p;
}

// ---------------------------------------------------------------- results

int PrintSummary(const std::vector<Verdict>& verdicts) {
  std::printf("\n== Summary against the targets\n%-58s | %7s | %6s | %s\n", "figure", "ratio", "limit", "verdict");
  std::printf("%s\n", std::string(90, '-').c_str());
  int missed = 0;
  for (const Verdict& v : verdicts) {
    const bool met = v.ratio <= v.limit;
    missed += met ? 0 : 1;
    std::printf("%-58s | %7.3f | %6.2f | %s\n", v.figure.c_str(), v.ratio, v.limit, met ? "met" : "MISSED");
  }
  std::printf("\n%d of %d targets missed\n", missed, static_cast<int>(verdicts.size()));
  return missed;
}

void Progress(const char* what) {
  static const double start = Now();
  std::fprintf(stderr, "[%6.1f s] %s\n", Now() - start, what);
  std::fflush(stderr);
}

// ---------------------------------------------------------------- clean-up on every way out

namespace {

RedirectedHkcu* g_hkcu = nullptr;
std::vector<ScratchFolder*> g_folders;

void RemoveEverything() {
  for (ScratchFolder* folder : g_folders) folder->Remove();
  if (g_hkcu) g_hkcu->Remove();
}

LONG WINAPI OnCrash(EXCEPTION_POINTERS* info) {
  std::printf("\n*** CRASH: exception 0x%08lx; removing the scratch keys ***\n",
              static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode));
  std::fflush(stdout);
  RemoveEverything();
  ExitProcess(2);
}

constexpr char kScratchParent[] = "Software\\QuillbeckBench";

// Keys of runs that ended without cleaning up go before the new ones are made.
std::string WithoutLeftovers(const char* parent) {
  qbtest::RemoveLeftoverRuns(parent);
  return parent;
}

}  // namespace

void Fail(const std::string& what) {
  std::printf("\n*** CHECK FAILED: %s ***\n", what.c_str());
  std::fflush(stdout);
  RemoveEverything();
  ExitProcess(1);
}

RedirectedHkcu::RedirectedHkcu() : ScratchHkcu(WithoutLeftovers(kScratchParent), {"full", "empty"}) {
  if (!ok()) {
    std::printf("cannot redirect HKEY_CURRENT_USER to a scratch key; nothing was measured\n");
    std::fflush(stdout);
    ExitProcess(3);  // never run against the real registry
  }
  g_hkcu = this;
  SetUnhandledExceptionFilter(OnCrash);
}

RedirectedHkcu::~RedirectedHkcu() { g_hkcu = nullptr; }

void RedirectedHkcu::Point(const char* leaf) {
  if (!Use(leaf)) Fail("cannot point HKEY_CURRENT_USER at the scratch key");
}

ScratchFolder::ScratchFolder(const std::string& tag) : TempFolder("qbbench-" + tag) {
  if (!created()) Fail("cannot create a scratch folder for " + tag);
  g_folders.push_back(this);
}

ScratchFolder::~ScratchFolder() { std::erase(g_folders, this); }

void ScratchFolder::Write(const std::string& name, const std::string& bytes) const {
  if (!TempFolder::Write(name, bytes)) Fail("cannot write " + path() + "\\" + name);
}

void ScratchFolder::MakeCurrent() const {
  if (!TempFolder::MakeCurrent()) Fail("cannot enter " + path());
}

// ---------------------------------------------------------------- data of the run

std::string AddressOf(int i) {
  char text[64];
  std::snprintf(text, sizeof text, "utente%05d@example.it", i);
  return text;
}

std::string PresetFile(int count, bool settings) {
  std::string text = "# providers.lst di prova\r\n";
  char line[200];
  for (int i = 0; i < count; ++i) {
    std::snprintf(line, sizeof line, "Provider %05d;provider%05d.it;smtp.provider%05d.it;pop.provider%05d.it;%s%s\r\n",
                  i, i, i, i, i % 3 == 2 ? "IMAP" : "POP3",
                  settings && i % 2 == 1 ? ";ssl in=995 out=465 auth login=address" : "");
    text += line;
  }
  return text;
}

void GrowAccountsTo(int count) {
  static int made = 0;
  qbtest::KeyTexts keys;
  for (; made < count; ++made) keys.emplace_back(qb::AccountKeyName(AddressOf(made)), AddressOf(made));
  try {
    qbtest::CreateVolatileKeysWithText(qb::kAccountsRoot, qb::kSmtpEmailAddressValue, keys);
    qbtest::WriteText(qb::kManagerKey, qb::kDefaultMailAccountValue, qb::AccountKeyName(AddressOf(kDefaultIndex)));
  } catch (const std::exception& error) {
    Fail(error.what());
  }
}

void BenchForm::Start() {
  form.Startup();
  CheckNoError("start-up");
}

void BenchForm::CheckNoError(const std::string& during) const {
  if (!fatalErrors.empty())
    Fail(during + " raised error " + std::to_string(fatalErrors.front().number()) + ": " +
         fatalErrors.front().description());
}

}  // namespace qbbench
