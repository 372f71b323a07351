#pragma once
// Finding the program's windows from another process: its main window, a
// message box it shows, and the drop-down list of a combo box. Shared by the
// window probe (driven by the end-to-end scripts) and the program-level tests.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace qbe2e {

inline constexpr wchar_t kDialogClass[] = L"#32770";
inline constexpr wchar_t kDropListClass[] = L"ComboLBox";

inline std::wstring ClassOf(HWND hwnd) {
  wchar_t name[256] = {};
  GetClassNameW(hwnd, name, 256);
  return name;
}

// The window text through WM_GETTEXT; nothing when the window did not answer
// in time. A window of another process answers only when its thread runs: on a
// loaded machine, or while the Wine server is held up (saving a large
// registry), a single try can miss, so callers try again rather than take
// the missing text for an empty one.
inline std::optional<std::wstring> ReadText(HWND hwnd) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) return std::nullopt;
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                           2000, &copied))
    return std::nullopt;
  text.resize(static_cast<std::size_t>(copied));
  return text;
}

// The text that the system holds for a window of another process (a title,
// the text a message box's static or button was made with): GetWindowTextW
// sends no message for such a window, so it is known even while the program
// is busy. A text box's typed text is not held there: ReadText reads that.
inline std::wstring HeldText(HWND hwnd) {
  std::wstring text(8192, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

struct WindowFilter {
  std::wstring title;          // exact window text
  bool dialog = false;         // true: only "#32770" windows; false: every class but "#32770"
  DWORD processId = 0;         // 0: any process
};

struct TopLevelSearch {
  const WindowFilter* filter;
  std::vector<HWND> found;
};

inline BOOL CALLBACK CollectTopLevel(HWND hwnd, LPARAM param) {
  auto* s = reinterpret_cast<TopLevelSearch*>(param);
  if (!IsWindowVisible(hwnd)) return TRUE;
  if (s->filter->processId) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != s->filter->processId) return TRUE;
  }
  const std::wstring cls = ClassOf(hwnd);
  if ((cls == kDialogClass) != s->filter->dialog || cls == kDropListClass) return TRUE;
  if (HeldText(hwnd) != s->filter->title) return TRUE;
  s->found.push_back(hwnd);
  return TRUE;
}

// Visible top-level windows that match the filter, front to back.
inline std::vector<HWND> FindTopLevel(const WindowFilter& filter) {
  TopLevelSearch search{&filter, {}};
  EnumWindows(&CollectTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Polls every 50 ms until a matching window shows or the time is up.
inline HWND WaitForTopLevel(const WindowFilter& filter, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    std::vector<HWND> found = FindTopLevel(filter);
    if (!found.empty()) return found.front();
    if (GetTickCount() - start >= timeoutMs) return nullptr;
    Sleep(50);
  }
}

// The text of a message box: the static control with id 0xFFFF, or failing
// that every static child that carries text, joined by new lines.
inline std::wstring MessageBoxText(HWND box) {
  if (HWND text = GetDlgItem(box, 0xFFFF)) return HeldText(text);
  std::wstring joined;
  for (HWND child = FindWindowExW(box, nullptr, L"Static", nullptr); child;
       child = FindWindowExW(box, child, L"Static", nullptr)) {
    std::wstring t = HeldText(child);
    if (t.empty()) continue;
    if (!joined.empty()) joined += L"\n";
    joined += t;
  }
  return joined;
}

struct ButtonInfo {
  HWND hwnd;
  int id;
  std::wstring text;
  RECT screen;
};

inline std::vector<ButtonInfo> ButtonsOf(HWND parent) {
  std::vector<ButtonInfo> buttons;
  for (HWND child = FindWindowExW(parent, nullptr, L"Button", nullptr); child;
       child = FindWindowExW(parent, child, L"Button", nullptr)) {
    if (!IsWindowVisible(child)) continue;
    ButtonInfo info{child, GetDlgCtrlID(child), HeldText(child), {}};
    GetWindowRect(child, &info.screen);
    buttons.push_back(info);
  }
  return buttons;
}

inline std::string Utf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                       nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
  return out;
}

inline std::wstring Wide(const char* utf8) {
  const int size = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
  if (size <= 1) return std::wstring();
  std::wstring out(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, out.data(), size);
  out.resize(static_cast<std::size_t>(size) - 1);
  return out;
}

// A Unix path (as CTest and the scripts pass it) becomes the Windows path
// that Wine maps it to; a Windows path stays as it is.
inline std::wstring WindowsPath(const char* path) {
  if (path[0] != '/') return Wide(path);
  using DosName = WCHAR* (*)(LPCSTR);
  auto toDos = reinterpret_cast<DosName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
  if (toDos) {
    if (WCHAR* dos = toDos(path)) {
      std::wstring result = dos;
      HeapFree(GetProcessHeap(), 0, dos);
      return result;
    }
  }
  std::wstring result = L"Z:" + Wide(path);
  for (wchar_t& c : result)
    if (c == L'/') c = L'\\';
  return result;
}

}  // namespace qbe2e
