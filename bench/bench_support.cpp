#include "bench/bench_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
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

// ---------------------------------------------------------------- clean-up on every way out

namespace {

ScratchHkcu* g_scratch = nullptr;
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

}  // namespace

void Fail(const std::string& what) {
  std::fprintf(stdout, "\n*** CHECK FAILED: %s ***\n", what.c_str());
  std::fflush(stdout);
  RemoveEverything();
  ExitProcess(1);
}

// ---------------------------------------------------------------- registry

namespace {

constexpr char kScratchParent[] = "Software\\QuillbeckBench";

struct Key {
  HKEY h = nullptr;
  ~Key() {
    if (h) RegCloseKey(h);
  }
};

// Scratch keys of runs that ended without cleaning up (killed, say).
void RemoveLeftovers() {
  std::vector<std::string> stale;
  {
    Key parent;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kScratchParent, 0, KEY_READ, &parent.h) != ERROR_SUCCESS) return;
    char name[256];
    for (DWORD i = 0;; ++i) {
      DWORD len = sizeof name;
      if (RegEnumKeyExA(parent.h, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      unsigned long pid = 0;
      if (std::sscanf(name, "run-%lu-", &pid) != 1) continue;
      HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
      if (process) {
        CloseHandle(process);
        continue;  // still running
      }
      stale.emplace_back(name);
    }
  }
  for (const std::string& name : stale) DeleteTree(HKEY_CURRENT_USER, std::string(kScratchParent) + "\\" + name);
}

}  // namespace

void DeleteTree(HKEY root, const std::string& key) {
  Key k;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &k.h) != ERROR_SUCCESS) return;
  // All names first, then one delete each: two calls per leaf key. A key that
  // has sub-keys of its own refuses the delete and is taken apart first.
  std::vector<std::string> children;
  char name[512];
  for (DWORD i = 0;; ++i) {
    DWORD len = sizeof name;
    if (RegEnumKeyExA(k.h, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    children.emplace_back(name, len);
  }
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    if (RegDeleteKeyA(k.h, it->c_str()) != ERROR_SUCCESS) {
      DeleteTree(k.h, *it);
    }
  }
  RegCloseKey(k.h);  // closed before the key itself goes
  k.h = nullptr;
  RegDeleteKeyA(root, key.c_str());
}

ScratchHkcu::ScratchHkcu() {
  RemoveLeftovers();
  path_ = std::string(kScratchParent) + "\\run-" + std::to_string(GetCurrentProcessId()) + "-" +
          std::to_string(GetTickCount());
  // The scratch keys are lasting keys: the program creates lasting account keys,
  // which a volatile parent would refuse.
  auto make = [&](const char* leaf, HKEY& out) {
    return RegCreateKeyExA(HKEY_CURRENT_USER, (path_ + "\\" + leaf).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                           &out, nullptr) == ERROR_SUCCESS;
  };
  if (!make("full", full_) || !make("empty", empty_) || RegOverridePredefKey(HKEY_CURRENT_USER, full_) != ERROR_SUCCESS) {
    std::fprintf(stdout, "cannot redirect HKEY_CURRENT_USER to a scratch key; nothing was measured\n");
    std::fflush(stdout);
    Remove();
    ExitProcess(3);  // never run against the real registry
  }
  g_scratch = this;
  SetUnhandledExceptionFilter(OnCrash);
}

ScratchHkcu::~ScratchHkcu() { Remove(); }

void ScratchHkcu::UseFull() {
  if (RegOverridePredefKey(HKEY_CURRENT_USER, full_) != ERROR_SUCCESS) Fail("cannot point HKEY_CURRENT_USER at the scratch key");
}

void ScratchHkcu::UseEmpty() {
  if (RegOverridePredefKey(HKEY_CURRENT_USER, empty_) != ERROR_SUCCESS) Fail("cannot point HKEY_CURRENT_USER at the scratch key");
}

void ScratchHkcu::Remove() {
  if (path_.empty()) return;
  RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  if (full_) RegCloseKey(full_);
  if (empty_) RegCloseKey(empty_);
  full_ = empty_ = nullptr;
  DeleteTree(HKEY_CURRENT_USER, path_);
  Key parent;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kScratchParent, 0, KEY_READ, &parent.h) == ERROR_SUCCESS) {
    DWORD subkeys = 0;
    RegQueryInfoKeyA(parent.h, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr);
    RegCloseKey(parent.h);
    parent.h = nullptr;
    if (subkeys == 0) RegDeleteKeyA(HKEY_CURRENT_USER, kScratchParent);
  }
  path_.clear();
  if (g_scratch == this) g_scratch = nullptr;
}

// ---------------------------------------------------------------- files

ScratchFolder::ScratchFolder(const std::string& tag) {
  char base[MAX_PATH];
  GetTempPathA(MAX_PATH, base);
  path_ = std::string(base) + "qbbench-" + std::to_string(GetCurrentProcessId()) + "-" + tag;
  CreateDirectoryA(path_.c_str(), nullptr);
  g_folders.push_back(this);
}

ScratchFolder::~ScratchFolder() {
  Remove();
  g_folders.erase(std::remove(g_folders.begin(), g_folders.end(), this), g_folders.end());
}

void ScratchFolder::Write(const std::string& name, const std::string& bytes) const {
  HANDLE file = CreateFileA((path_ + "\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) Fail("cannot write " + path_ + "\\" + name);
  DWORD written = 0;
  const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  if (!ok || written != bytes.size()) Fail("cannot write " + path_ + "\\" + name);
}

void ScratchFolder::MakeCurrent() const {
  if (!SetCurrentDirectoryA(path_.c_str())) Fail("cannot enter " + path_);
}

void ScratchFolder::Remove() {
  if (path_.empty()) return;
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  SetCurrentDirectoryA(temp);  // a folder in use cannot go
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((path_ + "\\*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA((path_ + "\\" + found.cFileName).c_str());
    } while (FindNextFileA(find, &found));
    FindClose(find);
  }
  RemoveDirectoryA(path_.c_str());
  path_.clear();
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
