// Help opens from wherever the program is: the real program, copied with its
// help file into a folder whose name the ANSI code page cannot hold, and into
// a drive's root, opens its own help file from the "Aiuto" menu; copied
// without it, "Aiuto" shows nothing and the program carries on.
//
// Usage: qb_e2e_help_folder PATH_TO_Quillbeck.exe PATH_TO_providers.lst [gtest flags]
// The help file is the Quillbeck.chm beside the program.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/control_ids.h"
#include "tests/e2e/child_process.h"
#include "tests/e2e/window_find.h"
#include "tests/support/temp_folder.h"

namespace {

std::wstring g_program;
std::wstring g_presets;

constexpr wchar_t kTitle[] = L"Configurazione Mail";
constexpr wchar_t kHelpWindowClass[] = L"HH Parent";
constexpr DWORD kTimeoutMs = 15000;

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

std::wstring Joined(const std::wstring& folder, const wchar_t* name) {
  return folder.back() == L'\\' ? folder + name : folder + L"\\" + name;
}

// The program, its help file and the presets copied into a folder, and removed
// from there again (the folder itself stays the caller's).
class Installed {
 public:
  explicit Installed(const std::wstring& folder, bool withHelpFile = true) : folder_(folder) {
    for (auto [from, name] : {std::pair{g_program, L"Quillbeck.exe"},
                              std::pair{Joined(FolderOf(g_program), L"Quillbeck.chm"), L"Quillbeck.chm"},
                              std::pair{g_presets, L"providers.lst"}}) {
      if (!withHelpFile && std::wstring(name) == L"Quillbeck.chm") continue;
      const std::wstring to = Joined(folder, name);
      if (GetFileAttributesW(to.c_str()) != INVALID_FILE_ATTRIBUTES) {
        error_ = "a file is in the way: " + qbe2e::Utf8(to);
        return;
      }
      if (!CopyFileW(from.c_str(), to.c_str(), TRUE)) {
        error_ = "cannot copy " + qbe2e::Utf8(from) + " to " + qbe2e::Utf8(to);
        return;
      }
      copied_.push_back(to);
    }
  }
  ~Installed() {
    for (const std::wstring& file : copied_) DeleteFileW(file.c_str());
  }
  Installed(const Installed&) = delete;
  Installed& operator=(const Installed&) = delete;
  const std::string& error() const { return error_; }
  std::wstring program() const { return Joined(folder_, L"Quillbeck.exe"); }

 private:
  std::wstring folder_;
  std::vector<std::wstring> copied_;
  std::string error_;
};

struct HelpSearch {
  DWORD processId;
  HWND found = nullptr;
};

BOOL CALLBACK FindHelpWindow(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<HelpSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != search->processId || qbe2e::ClassOf(hwnd) != kHelpWindowClass) return TRUE;
  search->found = hwnd;
  return FALSE;
}

struct OtherWindows {
  DWORD processId;
  HWND main;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectOtherWindow(HWND hwnd, LPARAM param) {
  auto* s = reinterpret_cast<OtherWindows*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == s->processId && hwnd != s->main && IsWindowVisible(hwnd) && qbe2e::ClassOf(hwnd) != L"tooltips_class32")
    s->found.push_back(hwnd);
  return TRUE;
}

// The process's visible top-level windows besides its main window and tooltips.
std::vector<HWND> OtherVisibleWindows(DWORD processId, HWND main) {
  OtherWindows search{processId, main, {}};
  EnumWindows(&CollectOtherWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::wstring WideFromAnsi(const std::string& ansi) {
  const int n = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, wide.data(), n);
  wide.resize(wide.size() - 1);
  return wide;
}

// Starts the program installed in the folder, chooses "Aiuto" and tells
// whether its help window opened.
void ExpectHelpOpensFrom(const std::wstring& folder) {
  SCOPED_TRACE("folder: " + qbe2e::Utf8(folder));
  const Installed installed(folder);
  ASSERT_EQ(installed.error(), "");
  qbe2e::ChildProcess child(installed.program(), folder);
  ASSERT_TRUE(child.started()) << "CreateProcess failed, error " << GetLastError();
  HWND window = qbe2e::WaitForTopLevel({kTitle, false, child.id()}, kTimeoutMs);
  ASSERT_NE(window, nullptr) << "the window did not appear";
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(qb::kMenuAiuto, 0), 0);
  HelpSearch search{child.id()};
  for (const DWORD start = GetTickCount(); !search.found && GetTickCount() - start < kTimeoutMs; Sleep(100))
    EnumWindows(&FindHelpWindow, reinterpret_cast<LPARAM>(&search));
  EXPECT_NE(search.found, nullptr) << "no help window opened";
}

TEST(HelpFromAnyFolder, WithoutAHelpFileAiutoShowsNothingAndTheProgramCarriesOn) {
  const qbtest::TempFolder temp("qb-e2e-nohelp");
  ASSERT_TRUE(temp.created());
  const std::wstring folder = WideFromAnsi(temp.path());
  const Installed installed(folder, false);
  ASSERT_EQ(installed.error(), "");
  qbe2e::ChildProcess child(installed.program(), folder);
  ASSERT_TRUE(child.started()) << "CreateProcess failed, error " << GetLastError();
  HWND window = qbe2e::WaitForTopLevel({kTitle, false, child.id()}, kTimeoutMs);
  ASSERT_NE(window, nullptr) << "the window did not appear";
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(qb::kMenuAiuto, 0), 0);
  // The program has taken the command once it answers again; then give any
  // window it might show a moment to appear.
  DWORD_PTR ignored = 0;
  ASSERT_TRUE(SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kTimeoutMs, &ignored));
  Sleep(1500);
  for (HWND shown : OtherVisibleWindows(child.id(), window))
    ADD_FAILURE() << "a window opened: class " << qbe2e::Utf8(qbe2e::ClassOf(shown)) << ", \""
                  << qbe2e::Utf8(qbe2e::HeldText(shown)) << "\"";
  EXPECT_TRUE(child.running());
  EXPECT_TRUE(SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kTimeoutMs, &ignored)) << "the window stopped answering";
}

TEST(HelpFromAnyFolder, AFolderNameOutsideTheCodePage) {
  const qbtest::TempFolder temp("qb-e2e-help");
  ASSERT_TRUE(temp.created());
  // Beside it a folder of the same name in plain letters, without a help file:
  // where the path lost its letter, help would look there and find nothing.
  const std::wstring base = WideFromAnsi(temp.path());
  const std::wstring lukasz = base + L"\\\u0141ukasz", plain = base + L"\\Lukasz";
  ASSERT_TRUE(CreateDirectoryW(lukasz.c_str(), nullptr) && CreateDirectoryW(plain.c_str(), nullptr));
  ExpectHelpOpensFrom(lukasz);
  RemoveDirectoryW(lukasz.c_str());  // TempFolder's clean-up reads names in the code page
  RemoveDirectoryW(plain.c_str());
}

TEST(HelpFromAnyFolder, ADrivesRoot) {
  // The program at the root of the drive that holds the system's folder.
  wchar_t windows[MAX_PATH] = {};
  ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH), 2u);
  ExpectHelpOpensFrom(std::wstring(windows, 3));
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc > 2) {
    g_program = qbe2e::WindowsPath(argv[1]);
    g_presets = qbe2e::WindowsPath(argv[2]);
  }
  if (g_program.empty() || g_presets.empty()) {
    std::fputs("usage: qb_e2e_help_folder Quillbeck.exe providers.lst\n", stderr);
    return 2;
  }
  return RUN_ALL_TESTS();
}
