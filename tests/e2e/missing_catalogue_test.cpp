// The real program, started in an empty folder: with no providers.lst there it
// shows its window, reports error 53 naming the file and the folder in a
// message box titled "Configurazione Mail", and ends with a non-zero exit code
// once the user has dismissed the report.
//
// Usage: qb_e2e_missing_catalogue PATH_TO_Quillbeck.exe [gtest flags]
// The path may be a Unix path (as CTest passes it under Wine) or a Windows path.
#include <windows.h>

#include <cstdio>
#include <cwctype>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/child_process.h"
#include "tests/e2e/window_find.h"
#include "tests/support/temp_folder.h"

namespace {

std::wstring g_programPath;

constexpr wchar_t kTitle[] = L"Configurazione Mail";
constexpr DWORD kShowTimeoutMs = 15000;
constexpr DWORD kExitTimeoutMs = 10000;

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

// True when the number stands in the text on its own, not inside a longer one.
bool ContainsNumber(const std::wstring& text, const std::wstring& number) {
  for (std::size_t at = text.find(number); at != std::wstring::npos; at = text.find(number, at + 1)) {
    const bool digitBefore = at > 0 && std::iswdigit(text[at - 1]);
    const std::size_t after = at + number.size();
    const bool digitAfter = after < text.size() && std::iswdigit(text[after]);
    if (!digitBefore && !digitAfter) return true;
  }
  return false;
}

std::wstring WideFromAnsi(const std::string& text) {
  const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

// Waits for the process's message box titled kTitle; gives up early if the
// process ends without one.
HWND WaitForReport(const qbe2e::ChildProcess& child) {
  const DWORD start = GetTickCount();
  for (;;) {
    std::vector<HWND> boxes = qbe2e::FindTopLevel({kTitle, true, child.id()});
    if (!boxes.empty()) return boxes.front();
    if (!child.running() || GetTickCount() - start >= kShowTimeoutMs) return nullptr;
    Sleep(50);
  }
}

TEST(MissingCatalogue, ReportsErrorFiftyThreeAndEndsWithItsNumber) {
  ASSERT_FALSE(g_programPath.empty()) << "pass the path of Quillbeck.exe as the first argument";
  ASSERT_NE(GetFileAttributesW(g_programPath.c_str()), INVALID_FILE_ATTRIBUTES)
      << "program not found: " << qbe2e::Utf8(g_programPath);
  const qbtest::TempFolder emptyFolder("qb-e2e-nocatalogue");
  ASSERT_TRUE(emptyFolder.created()) << "cannot create a temporary folder";
  const std::wstring folder = WideFromAnsi(emptyFolder.path());

  qbe2e::ChildProcess child(g_programPath, folder);
  ASSERT_TRUE(child.started()) << "CreateProcess failed, error " << GetLastError();

  HWND box = WaitForReport(child);
  if (!box) {
    DWORD code = 0;
    GetExitCodeProcess(child.handle(), &code);
    FAIL() << "no message box \"Configurazione Mail\" appeared; the program "
           << (child.running() ? "is still running" : "ended with code " + std::to_string(code));
  }

  // The report comes after the window has been shown.
  EXPECT_FALSE(qbe2e::FindTopLevel({kTitle, false, child.id()}).empty())
      << "the main window is not on the screen while the error is reported";

  const std::wstring text = qbe2e::MessageBoxText(box);
  SCOPED_TRACE("message: " + qbe2e::Utf8(text));
  std::printf("report shown: %s\n", qbe2e::Utf8(text).c_str());
  std::fflush(stdout);
  // The number counts only outside the folder's path, which may hold digits of its own.
  std::wstring outsidePath = Lower(text);
  for (std::size_t at; (at = outsidePath.find(Lower(folder))) != std::wstring::npos;)
    outsidePath.replace(at, folder.size(), L" ");
  EXPECT_TRUE(ContainsNumber(outsidePath, L"53")) << "the report does not give the error number 53";
  EXPECT_NE(text.find(L"providers.lst"), std::wstring::npos) << "the report does not name providers.lst";
  EXPECT_NE(Lower(text).find(Lower(folder)), std::wstring::npos)
      << "the report does not name the folder " << qbe2e::Utf8(folder);

  // Dismiss it as the user would, with its button.
  std::vector<qbe2e::ButtonInfo> buttons = qbe2e::ButtonsOf(box);
  ASSERT_FALSE(buttons.empty()) << "the message box has no button";
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(buttons.front().hwnd, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored);

  ASSERT_EQ(WaitForSingleObject(child.handle(), kExitTimeoutMs), WAIT_OBJECT_0)
      << "the program did not end after the report was dismissed";
  DWORD code = 0;
  ASSERT_TRUE(GetExitCodeProcess(child.handle(), &code));
  EXPECT_NE(code, 0u) << "the program ended with exit code 0 after an error";
  EXPECT_EQ(code, 53u) << "the exit code is not the error number";
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc > 1) g_programPath = qbe2e::WindowsPath(argv[1]);
  return RUN_ALL_TESTS();
}
