#pragma once
// Finding the program's windows from another process: its main window, a
// message box it shows, and the drop-down list of a combo box. Shared by the
// window probe (driven by the end-to-end scripts) and the program-level tests.
#include <windows.h>

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

// The window text; for a window of another process this goes through
// WM_GETTEXT, with a timeout so that a hung program cannot hang the caller.
inline std::wstring TextOf(HWND hwnd) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) return std::wstring();
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                           2000, &copied))
    return std::wstring();
  text.resize(static_cast<std::size_t>(copied));
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
  if (TextOf(hwnd) != s->filter->title) return TRUE;
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
  if (HWND text = GetDlgItem(box, 0xFFFF)) return TextOf(text);
  std::wstring joined;
  for (HWND child = FindWindowExW(box, nullptr, L"Static", nullptr); child;
       child = FindWindowExW(box, child, L"Static", nullptr)) {
    std::wstring t = TextOf(child);
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
    ButtonInfo info{child, GetDlgCtrlID(child), TextOf(child), {}};
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
