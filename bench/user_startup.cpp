#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <string>

#include "accounts/account_layout.h"
#include "bench/figures.h"
#include "catalogue/provider_file.h"
#include "core/handles.h"
#include "tests/support/registry_helpers.h"

namespace qbbench {

namespace {

constexpr double kLaunchTimeout = 60;  // seconds

std::wstring BenchFolder() {
  wchar_t path[MAX_PATH];
  const std::wstring exe(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
  return exe.substr(0, exe.find_last_of(L'\\'));
}

HWND WindowOfProcess(const wchar_t* windowClass, DWORD processId) {
  for (HWND h = FindWindowExW(nullptr, nullptr, windowClass, nullptr); h;
       h = FindWindowExW(nullptr, h, windowClass, nullptr)) {
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (pid == processId) return h;
  }
  return nullptr;
}

struct Program {
  std::wstring exe;
  const wchar_t* windowClass;
};

// Seconds from CreateProcess to the window answering WM_NULL; the window is
// then closed as the user would. `peakWorkingSet` gets the process's peak
// working set in bytes, read while it still runs (Wine reads it from the
// running process; an ended one reports none).
double LaunchOnce(const Program& program, const std::wstring& folder, std::vector<double>& peakWorkingSet) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::wstring command = L"\"" + program.exe + L"\"";
  const double start = Now();
  if (!CreateProcessW(program.exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si,
                      &pi))
    Fail("cannot start " + std::string(program.exe.begin(), program.exe.end()));
  const qb::ObjectHandle thread(pi.hThread), process(pi.hProcess);
  HWND hwnd = nullptr;
  while (!(hwnd = WindowOfProcess(program.windowClass, pi.dwProcessId))) {
    // Waiting on the process doubles as the 1 ms pause between looks.
    if (WaitForSingleObject(pi.hProcess, 1) == WAIT_OBJECT_0) Fail("a launched program ended without a window");
    if (Now() - start > kLaunchTimeout) Fail("a launched program shows no window");
  }
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, static_cast<UINT>(kLaunchTimeout * 1000), &result))
    Fail("a launched program does not answer");
  const double answered = Now() - start;
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(pi.hProcess, &counters, sizeof counters) || counters.PeakWorkingSetSize == 0)
    Fail("no memory counters for a launched program");
  peakWorkingSet.push_back(static_cast<double>(counters.PeakWorkingSetSize));
  PostMessageW(hwnd, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(pi.hProcess, 30000) != WAIT_OBJECT_0) {
    TerminateProcess(pi.hProcess, 1);  // only the process this bench started
    WaitForSingleObject(pi.hProcess, 5000);
  }
  return answered;
}

}  // namespace

void MeasureUserStartup(std::vector<Verdict>& verdicts, LaunchMemory& memory) {
  const std::wstring bench = BenchFolder();
  const Program quillbeck{bench + L"\\..\\app\\Quillbeck.exe", L"QuillbeckMainForm"};
  const Program twin{bench + L"\\qb_bench_twin.exe", L"QuillbeckBenchTwin"};
  ScratchFolder folder("user-start-up");
  folder.Write(qb::kProviderFileName, "Quillbeck;quillbeck.it;smtp.quillbeck.it;pop.quillbeck.it;POP3\r\n");
  const std::wstring where(folder.path().begin(), folder.path().end());
  // The launched program reads the prefix's own HKEY_CURRENT_USER, which the
  // bench's still is.
  if (!qbtest::SubKeys(qb::kAccountsRoot).empty()) Fail("the prefix holds accounts: no start-up without any");

  const Paired p = Alternate(
      7, 3, [&] { return LaunchOnce(quillbeck, where, memory.program); },
      [&] { return LaunchOnce(twin, where, memory.twin); });
  const Summary a = Summarize(p.a), b = Summarize(p.b);
  std::printf(
      "\n== Start-up as the user sees it: CreateProcess to a window that answers WM_NULL (looked for by\n"
      "class and process every 1 ms), no accounts; Quillbeck.exe against its bare twin (the same window,\n"
      "controls, fonts and manifest as plain code), %zu launches each after a warm-up\n",
      p.a.size());
  std::printf("Quillbeck.exe                     min %6.1f ms  median %6.1f ms\n", Ms(a.min), Ms(a.median));
  std::printf("bare twin                         min %6.1f ms  median %6.1f ms\n", Ms(b.min), Ms(b.median));
  std::printf("ratio program / twin %.3f (min/min %.3f)\n", p.Ratio(), a.min / b.min);
  verdicts.push_back({"user-level start-up, no accounts, vs the bare twin", p.Ratio(), 1.3});
}

}  // namespace qbbench
