#include "bench/user_startup.h"

#include <windows.h>

#include <sddl.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "accounts/account_layout.h"
#include "catalogue/provider_file.h"

namespace qbbench {
namespace {

constexpr char kBenchKeyPrefix[] = "QuillbeckBench user start-up ";
constexpr wchar_t kQuillbeckClass[] = L"QuillbeckMainForm";
constexpr wchar_t kTrivialClass[] = L"QuillbeckBenchTrivialWindow";
constexpr double kLaunchTimeout = 60;  // seconds

// The accounts key of the per-user registry as another program sees it: the
// bench's own HKEY_CURRENT_USER points at a scratch key, so it is reached
// through HKEY_USERS and the user's SID.
class RealAccounts {
 public:
  RealAccounts() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) Fail("cannot read the process token");
    std::vector<BYTE> user(256);
    DWORD size = 0;
    const BOOL ok = GetTokenInformation(token, TokenUser, user.data(), static_cast<DWORD>(user.size()), &size);
    CloseHandle(token);
    char* sid = nullptr;
    if (!ok || !ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &sid))
      Fail("cannot find the user's SID");
    path_ = std::string(sid) + "\\" + qb::kAccountsRoot;
    path_.pop_back();  // no trailing backslash
    LocalFree(sid);
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_USERS, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root_, &disposition) !=
        ERROR_SUCCESS)
      Fail("cannot open the accounts key of the per-user registry");
    createdRoot_ = disposition == REG_CREATED_NEW_KEY;
    RemoveAdded();  // left by a run that was killed
  }
  ~RealAccounts() {
    RemoveAdded();
    RegCloseKey(root_);
    if (createdRoot_) RegDeleteKeyA(HKEY_USERS, path_.c_str());
  }
  RealAccounts(const RealAccounts&) = delete;
  RealAccounts& operator=(const RealAccounts&) = delete;

  int Count() const {
    DWORD keys = 0;
    RegQueryInfoKeyA(root_, nullptr, nullptr, nullptr, &keys, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr);
    return static_cast<int>(keys);
  }

  // Volatile keys: nothing of them reaches the registry files of the prefix.
  void Add(int count) {
    for (int i = 0; i < count; ++i) {
      char name[64], address[64];
      std::snprintf(name, sizeof name, "%s%05d", kBenchKeyPrefix, i);
      std::snprintf(address, sizeof address, "avvio%05d@example.it", i);
      HKEY key = nullptr;
      if (RegCreateKeyExA(root_, name, 0, nullptr, REG_OPTION_VOLATILE, KEY_SET_VALUE, nullptr, &key, nullptr) !=
          ERROR_SUCCESS)
        Fail("cannot make the accounts of the user-level start-up");
      RegSetValueExA(key, qb::kSmtpEmailAddressValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(address),
                     static_cast<DWORD>(std::strlen(address) + 1));
      RegCloseKey(key);
    }
  }

  void RemoveAdded() {
    std::vector<std::string> ours;
    char name[256];
    for (DWORD i = 0; RegEnumKeyA(root_, i, name, sizeof name) == ERROR_SUCCESS; ++i)
      if (std::string(name).rfind(kBenchKeyPrefix, 0) == 0) ours.push_back(name);
    for (const std::string& key : ours) RegDeleteKeyA(root_, key.c_str());
  }

 private:
  std::string path_;
  HKEY root_ = nullptr;
  bool createdRoot_ = false;
};

std::wstring BenchFolder() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, n);
  return folder.substr(0, folder.find_last_of(L'\\'));
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

struct Launch {
  double exists;   // seconds from CreateProcess to the window being found
  double answers;  // seconds from CreateProcess to WM_NULL coming back
};

// Starts the program, times it, and closes it as the user would.
Launch LaunchOnce(const std::wstring& exe, const std::wstring& folder, const wchar_t* windowClass) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::wstring command = L"\"" + exe + L"\"";
  const double start = Now();
  if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi))
    Fail("cannot start " + std::string(exe.begin(), exe.end()));
  Launch launch{};
  HWND hwnd = nullptr;
  while (!(hwnd = WindowOfProcess(windowClass, pi.dwProcessId))) {
    // Waiting on the process doubles as the 1 ms pause between looks.
    if (WaitForSingleObject(pi.hProcess, 1) == WAIT_OBJECT_0) Fail("a launched program ended without a window");
    if (Now() - start > kLaunchTimeout) Fail("a launched program shows no window");
  }
  launch.exists = Now() - start;
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, static_cast<UINT>(kLaunchTimeout * 1000), &result))
    Fail("a launched program does not answer");
  launch.answers = Now() - start;
  PostMessageW(hwnd, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(pi.hProcess, 30000) != WAIT_OBJECT_0) {
    TerminateProcess(pi.hProcess, 1);  // only the process this bench started
    WaitForSingleObject(pi.hProcess, 5000);
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return launch;
}

std::string Line(const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

}  // namespace

UserStartupFigure MeasureUserStartup(int accounts, int reps) {
  const std::wstring bench = BenchFolder();
  const std::wstring quillbeck = bench + L"\\..\\app\\Quillbeck.exe";
  const std::wstring trivial = bench + L"\\qb_bench_trivial_window.exe";
  ScratchFolder folder("user-start-up");
  folder.Write(qb::kProviderFileName, "Quillbeck;quillbeck.it;smtp.quillbeck.it;pop.quillbeck.it;POP3\r\n");
  const std::wstring where(folder.path().begin(), folder.path().end());

  RealAccounts real;
  UserStartupFigure figure;
  figure.accounts = accounts;
  figure.existingAccounts = real.Count();
  std::vector<double> trivialExists, trivialAnswers, exists[2], answers[2];
  // A first launch of each fills the system's caches; it is not counted.
  LaunchOnce(trivial, where, kTrivialClass);
  LaunchOnce(quillbeck, where, kQuillbeckClass);
  for (int full = 0; full < 2; ++full) {
    if (full) real.Add(accounts);
    for (int i = 0; i < reps; ++i) {
      // The two programs alternate, and which goes first swaps every round.
      for (int turn = 0; turn < 2; ++turn) {
        if ((turn + i) % 2 == 0) {
          const Launch l = LaunchOnce(trivial, where, kTrivialClass);
          trivialExists.push_back(l.exists);
          trivialAnswers.push_back(l.answers);
        } else {
          const Launch l = LaunchOnce(quillbeck, where, kQuillbeckClass);
          exists[full].push_back(l.exists);
          answers[full].push_back(l.answers);
        }
      }
    }
    if (full) real.RemoveAdded();
  }
  figure.trivialExists = Summarize(trivialExists);
  figure.trivialAnswers = Summarize(trivialAnswers);
  figure.emptyExists = Summarize(exists[0]);
  figure.emptyAnswers = Summarize(answers[0]);
  figure.fullExists = Summarize(exists[1]);
  figure.fullAnswers = Summarize(answers[1]);
  return figure;
}

std::string FormatUserStartup(const UserStartupFigure& f) {
  std::string out;
  out += Line("launched with CreateProcess, the window looked for by class and process every 1 ms, then one\n"
              "SendMessageTimeout(WM_NULL); min and median of %d launches each, the two programs alternating\n",
              static_cast<int>(f.emptyAnswers.count));
  if (f.existingAccounts)
    out += Line("the prefix already held %d accounts, listed in every launch\n", f.existingAccounts);
  out += Line("%-36s | %20s | %20s\n", "", "window exists", "window answers");
  auto row = [&](const char* what, const Summary& exists, const Summary& answers) {
    out += Line("%-36s | %7.1f ms  %7.1f ms | %7.1f ms  %7.1f ms\n", what, exists.min * 1e3, exists.median * 1e3,
                answers.min * 1e3, answers.median * 1e3);
  };
  row("trivial window program", f.trivialExists, f.trivialAnswers);
  row("Quillbeck.exe, no accounts", f.emptyExists, f.emptyAnswers);
  row(Line("Quillbeck.exe, %d accounts", f.accounts).c_str(), f.fullExists, f.fullAnswers);
  out += Line("ratio to the trivial program (answers, min/min): no accounts %.2f (medians %.2f), %d accounts %.2f "
              "(medians %.2f)\n",
              f.emptyAnswers.min / f.trivialAnswers.min, f.emptyAnswers.median / f.trivialAnswers.median, f.accounts,
              f.fullAnswers.min / f.trivialAnswers.min, f.fullAnswers.median / f.trivialAnswers.median);
  return out;
}

void PrintUserStartupSection(const UserStartupFigure& figure) {
  std::printf("\n== 6. Start-up as the user sees it: process start to a window that answers messages, Quillbeck.exe\n"
              "with no accounts and with %d, against a trivial window program built with the same compiler\n",
              figure.accounts);
  std::printf("%s", FormatUserStartup(figure).c_str());
}

}  // namespace qbbench
