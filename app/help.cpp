// Help from the menu and from the F1 key.
#include "app/main_form.h"

namespace qb {

void MainForm::OnHelpMenu() {
  const std::wstring topic = kMenuHelpTopic;
  // No owner window: the main window stays in front where the two overlap.
  services_.help(nullptr, helpFilePath_, kHhDisplayTopic, reinterpret_cast<DWORD_PTR>(topic.c_str()));
}

bool MainForm::TranslateHelpKey(const MSG& msg) {
  // Not every system turns F1 into WM_HELP by itself; doing it here makes the
  // key work the same everywhere, once.
  constexpr UINT kKeyF1 = 0x004D;  // WM_KEYF1, the system's own way to the same request
  const bool inWindow = hwnd_ && (msg.hwnd == hwnd_ || IsChild(hwnd_, msg.hwnd));
  if (!inWindow) return false;
  if (msg.message == kKeyF1) return true;
  if (msg.message != WM_KEYDOWN || msg.wParam != VK_F1) return false;
  if (GetKeyState(VK_SHIFT) < 0 || GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
  HELPINFO info{};
  info.cbSize = sizeof info;
  info.iContextType = HELPINFO_WINDOW;
  info.iCtrlId = GetDlgCtrlID(msg.hwnd);
  info.hItemHandle = msg.hwnd;
  info.dwContextId = GetWindowContextHelpId(msg.hwnd);
  GetCursorPos(&info.MousePos);
  SendMessageW(hwnd_, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
  return true;
}

void MainForm::OnHelpKey(const HELPINFO& info) {
  // The number of the focused control, or of the control that contains it (the
  // text field inside the provider box).
  DWORD context = 0;
  if (info.iContextType == HELPINFO_WINDOW)
    for (HWND h = static_cast<HWND>(info.hItemHandle); h && h != hwnd_ && !context; h = GetParent(h))
      context = GetWindowContextHelpId(h);
  if (context == 0) {
    OnHelpMenu();
    return;
  }
  // Owned by the window, so that the topmost window does not hide it.
  services_.help(hwnd_, helpFilePath_, kHhHelpContext, context);
}

}  // namespace qb
