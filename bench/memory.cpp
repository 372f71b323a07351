#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "accounts/account_layout.h"
#include "bench/figures.h"
#include "catalogue/provider_file.h"
#include "core/handles.h"

namespace qbbench {

namespace {

constexpr char kOnePreset[] = "Quillbeck;quillbeck.it;smtp.quillbeck.it;pop.quillbeck.it;POP3\r\n";
constexpr int kChildRounds = 2;  // the counters move by a few pages from child to child

struct Counters {
  double privateBytes, workingSet;
};

// Private bytes as PagefileUsage (the commit charge): Wine 8 leaves the
// PrivateUsage of PROCESS_MEMORY_COUNTERS_EX at 0.
Counters OwnCounters() {
  PROCESS_MEMORY_COUNTERS c{};
  c.cb = sizeof c;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &c, sizeof c)) Fail("no memory counters for this process");
  return {static_cast<double>(c.PagefileUsage), static_cast<double>(c.WorkingSetSize)};
}

// The accounts of a child, written from a stack buffer: GrowAccountsTo's list
// of names would leave freed heap blocks that the form then reuses, hiding
// part of what the accounts cost it.
void MakeAccountsWithoutHeap(int count) {
  qb::RegistryKeyHandle root;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, qb::kAccountsRoot, 0, nullptr, 0, KEY_CREATE_SUB_KEY, nullptr, root.put(),
                      nullptr) != ERROR_SUCCESS)
    Fail("cannot create the accounts root");
  char name[64], address[64];
  for (int i = 0; i < count; ++i) {
    std::snprintf(address, sizeof address, "utente%05d@example.it", i);
    std::snprintf(name, sizeof name, "(KX) %s", address);
    qb::RegistryKeyHandle key;
    if (RegCreateKeyExA(root.get(), name, 0, nullptr, REG_OPTION_VOLATILE, KEY_SET_VALUE, nullptr, key.put(),
                        nullptr) != ERROR_SUCCESS)
      Fail("cannot create an account key");
    RegSetValueExA(key.get(), qb::kSmtpEmailAddressValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(address),
                   static_cast<DWORD>(std::strlen(address) + 1));
  }
}

// Runs this program as a memory child of `mode`; returns what it measured.
Counters RunChild(const char* mode, const ScratchFolder& folder) {
  wchar_t exe[MAX_PATH];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  const std::string result = folder.path() + "\\" + mode + ".txt";
  DeleteFileA(result.c_str());
  std::wstring command = L"\"" + std::wstring(exe) + L"\" --memory " + std::wstring(mode, mode + std::strlen(mode)) +
                         L" \"" + std::wstring(result.begin(), result.end()) + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(exe, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    Fail("cannot start a memory child");
  const qb::ObjectHandle thread(pi.hThread), process(pi.hProcess);
  DWORD code = 1;
  if (WaitForSingleObject(pi.hProcess, 300000) != WAIT_OBJECT_0 || !GetExitCodeProcess(pi.hProcess, &code) ||
      code != 0)
    Fail(std::string("the memory child \"") + mode + "\" failed");
  Counters c{};
  std::ifstream in(result);
  if (!(in >> c.privateBytes >> c.workingSet)) Fail(std::string("no figures from the memory child ") + mode);
  return c;
}

}  // namespace

int MemoryChild(const std::string& mode, const std::string& resultFile) {
  const bool presets = mode == "presets", accounts = mode == "accounts";
  if (!presets && !accounts && mode != "none") return 5;
  RedirectedHkcu hkcu;  // "full"
  ScratchFolder folder("memory-" + mode);
  {
    // Made in every mode, so that each leaves the same freed heap behind.
    const std::string text = PresetFile(kPresetCount);
    folder.Write(qb::kProviderFileName, presets ? text : kOnePreset);
  }
  folder.MakeCurrent();
  if (accounts)
    MakeAccountsWithoutHeap(kStartupAccounts);
  else
    hkcu.Point("empty");
  PumpMessages();
  const Counters before = OwnCounters();
  BenchForm form;
  form.Start();
  PumpMessages();
  if (form.Rows() != (accounts ? kStartupAccounts : 0) ||
      SendMessageW(form.control(qb::kProvider), CB_GETCOUNT, 0, 0) != (presets ? kPresetCount : 1))
    Fail("a memory child's form shows other data than it was given");
  const Counters after = OwnCounters();
  std::ofstream out(resultFile);
  out << after.privateBytes - before.privateBytes << ' ' << after.workingSet - before.workingSet << '\n';
  return out ? 0 : 1;
}

void MeasureMemory(const LaunchMemory& launched, std::vector<Verdict>& verdicts) {
  const Summary program = Summarize(launched.program), twin = Summarize(launched.twin);
  std::printf(
      "\n== Memory: peak working set of the launched program (no accounts) against its bare twin, read once\n"
      "the window answers (GetProcessMemoryInfo), over the %zu launches of each above\n",
      launched.program.size());
  std::printf("Quillbeck.exe     min %7.2f MB  median %7.2f MB\n", program.min / 1048576, program.median / 1048576);
  std::printf("bare twin         min %7.2f MB  median %7.2f MB\n", twin.min / 1048576, twin.median / 1048576);
  std::printf("ratio of the medians %.3f\n", program.median / twin.median);
  verdicts.push_back({"peak working set, no accounts, vs the bare twin", program.median / twin.median, 1.2});

  ScratchFolder results("memory-results");
  enum { kNone, kPresets, kAccounts, kModes };
  const char* const kMode[kModes] = {"none", "presets", "accounts"};
  std::vector<double> priv[kModes], ws[kModes];
  for (int r = 0; r < kChildRounds; ++r)
    for (int m = 0; m < kModes; ++m) {
      const Counters c = RunChild(kMode[m], results);
      priv[m].push_back(c.privateBytes);
      ws[m].push_back(c.workingSet);
    }
  std::printf(
      "\nA started form (this program as a child: Startup() and its messages), private bytes and working set\n"
      "it grew by, mean of %d children each; 1 preset and no accounts, %d presets, %d accounts\n",
      kChildRounds, kPresetCount, kStartupAccounts);
  Summary p[kModes], w[kModes];
  for (int m = 0; m < kModes; ++m) {
    p[m] = Summarize(priv[m]);
    w[m] = Summarize(ws[m]);
    std::printf("%-9s private %8.2f MB   working set %8.2f MB\n", kMode[m], p[m].median / 1048576,
                w[m].median / 1048576);
  }
  std::printf("one preset:  %6.0f bytes private, %6.0f bytes working set\n",
              (p[kPresets].median - p[kNone].median) / (kPresetCount - 1),
              (w[kPresets].median - w[kNone].median) / (kPresetCount - 1));
  std::printf("one account: %6.0f bytes private, %6.0f bytes working set\n",
              (p[kAccounts].median - p[kNone].median) / kStartupAccounts,
              (w[kAccounts].median - w[kNone].median) / kStartupAccounts);
}

}  // namespace qbbench
