#include "bench/bench_support.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

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
  Summary s;
  s.count = samples.size();
  if (samples.empty()) return s;
  std::sort(samples.begin(), samples.end());
  s.min = samples.front();
  const std::size_t n = samples.size();
  s.median = n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
  return s;
}

void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void Alternate(int reps, const std::function<void()>& a, const std::function<void()>& b, std::vector<double>& ta,
               std::vector<double>& tb, bool warmUp) {
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

// ---------------------------------------------------------------- output

void Report::operator()(const char* format, ...) {
  char line[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  text_ += line;
}

void Line(Report& out) { out("%s\n", std::string(100, '-').c_str()); }

void Progress(const char* what) {
  static const double start = Now();
  std::fprintf(stderr, "[%6.1f s] %s\n", Now() - start, what);
  std::fflush(stderr);
}

// ---------------------------------------------------------------- clean-up on every way out

namespace {

ScratchRegistry* g_scratch = nullptr;
std::vector<ScratchFolder*> g_folders;

void RemoveEverything() {
  for (ScratchFolder* folder : g_folders) folder->Remove();
  if (g_scratch) g_scratch->Remove();
}

LONG WINAPI OnCrash(EXCEPTION_POINTERS* info) {
  std::fprintf(stdout, "\n*** CRASH: exception 0x%08lx at %p; removing the scratch registry ***\n",
               static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode),
               info->ExceptionRecord->ExceptionAddress);
  std::fflush(stdout);
  RemoveEverything();
  ExitProcess(2);
}

constexpr char kScratchParent[] = "Software\\QuillbeckBench";

// Keys of runs that ended without cleaning up (killed, say) go before the new
// ones are made.
std::string WithoutLeftovers(const char* parent) {
  qbtest::RemoveLeftoverRuns(parent);
  return parent;
}

}  // namespace

void Fail(const std::string& what) {
  std::fprintf(stdout, "\n*** CHECK FAILED: %s ***\n", what.c_str());
  std::fflush(stdout);
  RemoveEverything();
  ExitProcess(1);
}

// ---------------------------------------------------------------- registry

ScratchRegistry::ScratchRegistry() : ScratchHkcu(WithoutLeftovers(kScratchParent), {"full", "empty"}) {
  if (!ok()) {
    std::fprintf(stdout, "cannot redirect HKEY_CURRENT_USER to a scratch key; nothing was measured\n");
    std::fflush(stdout);
    ExitProcess(3);  // never run against the real registry
  }
  g_scratch = this;
  SetUnhandledExceptionFilter(OnCrash);
}

ScratchRegistry::~ScratchRegistry() {
  if (g_scratch == this) g_scratch = nullptr;
}

void ScratchRegistry::UseFull() {
  if (!Use("full")) Fail("cannot point HKEY_CURRENT_USER at the scratch key");
}

void ScratchRegistry::UseEmpty() {
  if (!Use("empty")) Fail("cannot point HKEY_CURRENT_USER at the scratch key");
}

// ---------------------------------------------------------------- files

ScratchFolder::ScratchFolder(const std::string& tag) : TempFolder("qbbench-" + tag) {
  if (!created()) Fail("cannot create a scratch folder for " + tag);
  g_folders.push_back(this);
}

ScratchFolder::~ScratchFolder() {
  g_folders.erase(std::remove(g_folders.begin(), g_folders.end(), this), g_folders.end());
}

void ScratchFolder::Write(const std::string& name, const std::string& bytes) const {
  if (!TempFolder::Write(name, bytes)) Fail("cannot write " + path() + "\\" + name);
}

void ScratchFolder::MakeCurrent() const {
  if (!TempFolder::MakeCurrent()) Fail("cannot enter " + path());
}

// ---------------------------------------------------------------- call counting

namespace {

RegistryCallCounts g_counts;

using OpenFn = LSTATUS(WINAPI*)(HKEY, LPCSTR, DWORD, REGSAM, PHKEY);
using CreateFn = LSTATUS(WINAPI*)(HKEY, LPCSTR, DWORD, LPSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY, LPDWORD);
using CloseFn = LSTATUS(WINAPI*)(HKEY);
using QueryFn = LSTATUS(WINAPI*)(HKEY, LPCSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
using SetFn = LSTATUS(WINAPI*)(HKEY, LPCSTR, DWORD, DWORD, const BYTE*, DWORD);
using EnumFn = LSTATUS(WINAPI*)(HKEY, DWORD, LPSTR, DWORD);
using DeleteFn = LSTATUS(WINAPI*)(HKEY, LPCSTR);

OpenFn g_open;
CreateFn g_create;
CloseFn g_close;
QueryFn g_query;
SetFn g_set;
EnumFn g_enum;
DeleteFn g_delete;

LSTATUS WINAPI CountedOpen(HKEY a, LPCSTR b, DWORD c, REGSAM d, PHKEY e) {
  ++g_counts.open;
  return g_open(a, b, c, d, e);
}
LSTATUS WINAPI CountedCreate(HKEY a, LPCSTR b, DWORD c, LPSTR d, DWORD e, REGSAM f, LPSECURITY_ATTRIBUTES g, PHKEY h,
                             LPDWORD i) {
  ++g_counts.create;
  return g_create(a, b, c, d, e, f, g, h, i);
}
LSTATUS WINAPI CountedClose(HKEY a) {
  ++g_counts.close;
  return g_close(a);
}
LSTATUS WINAPI CountedQuery(HKEY a, LPCSTR b, LPDWORD c, LPDWORD d, LPBYTE e, LPDWORD f) {
  ++g_counts.query;
  return g_query(a, b, c, d, e, f);
}
LSTATUS WINAPI CountedSet(HKEY a, LPCSTR b, DWORD c, DWORD d, const BYTE* e, DWORD f) {
  ++g_counts.set;
  return g_set(a, b, c, d, e, f);
}
LSTATUS WINAPI CountedEnum(HKEY a, DWORD b, LPSTR c, DWORD d) {
  ++g_counts.enumerate;
  return g_enum(a, b, c, d);
}
LSTATUS WINAPI CountedDelete(HKEY a, LPCSTR b) {
  ++g_counts.remove;
  return g_delete(a, b);
}

struct Redirect {
  const char* name;
  void* counted;
  void** real;
};

Redirect g_redirects[] = {
    {"RegOpenKeyExA", reinterpret_cast<void*>(&CountedOpen), reinterpret_cast<void**>(&g_open)},
    {"RegCreateKeyExA", reinterpret_cast<void*>(&CountedCreate), reinterpret_cast<void**>(&g_create)},
    {"RegCloseKey", reinterpret_cast<void*>(&CountedClose), reinterpret_cast<void**>(&g_close)},
    {"RegQueryValueExA", reinterpret_cast<void*>(&CountedQuery), reinterpret_cast<void**>(&g_query)},
    {"RegSetValueExA", reinterpret_cast<void*>(&CountedSet), reinterpret_cast<void**>(&g_set)},
    {"RegEnumKeyA", reinterpret_cast<void*>(&CountedEnum), reinterpret_cast<void**>(&g_enum)},
    {"RegDeleteKeyA", reinterpret_cast<void*>(&CountedDelete), reinterpret_cast<void**>(&g_delete)},
};

// Points the import slots of the advapi32 registry functions at the counting
// wrappers (install) or back at the real functions. Returns the slots changed.
int PatchImports(bool install) {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (dir.VirtualAddress == 0) return 0;
  int changed = 0;
  for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name; ++d) {
    if (lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), "advapi32.dll") != 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + (d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk));
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      for (Redirect& r : g_redirects) {
        if (std::strcmp(reinterpret_cast<const char*>(byName->Name), r.name) != 0) continue;
        void** slot = reinterpret_cast<void**>(&slots->u1.Function);
        DWORD old = 0;
        if (!VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &old)) break;
        if (install) {
          *r.real = *slot;
          *slot = r.counted;
        } else if (*r.real) {
          *slot = *r.real;
        }
        VirtualProtect(slot, sizeof(void*), old, &old);
        FlushInstructionCache(GetCurrentProcess(), slot, sizeof(void*));
        ++changed;
      }
    }
  }
  return changed;
}

}  // namespace

RegistryCallCounter::RegistryCallCounter() {
  g_counts = RegistryCallCounts{};
  hooked_ = PatchImports(true);
}

RegistryCallCounter::~RegistryCallCounter() { PatchImports(false); }

RegistryCallCounts RegistryCallCounter::counts() const { return g_counts; }

std::string FormatCounts(const RegistryCallCounts& c) {
  char text[200];
  std::snprintf(text, sizeof text, "open %ld, create %ld, query %ld, set %ld, enum %ld, delete %ld, close %ld = %ld",
                c.open, c.create, c.query, c.set, c.enumerate, c.remove, c.close, c.total());
  return text;
}

}  // namespace qbbench
