// Help from the menu and from the F1 key.
#include "app/main_form.h"

namespace qb {

void MainForm::OnHelpMenu() {
  const std::wstring topic = kMenuHelpTopic;
  // No owner window: the main window stays in front where the two overlap.
  services_.help(nullptr, helpFilePath_, HH_DISPLAY_TOPIC, reinterpret_cast<DWORD_PTR>(topic.c_str()));
}

void MainForm::OnHelpKey(const HELPINFO& info) {
  // F1 reaches the window as the system's own WM_HELP: the focused control
  // receives it and passes it up to its parent. The number is the focused
  // control's, or that of the control that contains it (the text field inside
  // the provider box).
  DWORD context = 0;
  if (info.iContextType == HELPINFO_WINDOW)
    for (HWND h = static_cast<HWND>(info.hItemHandle); h && h != hwnd_ && !context; h = GetParent(h))
      context = GetWindowContextHelpId(h);
  if (context == 0) {
    OnHelpMenu();
    return;
  }
  // Owned by the window, so that the topmost window does not hide it.
  services_.help(hwnd_, helpFilePath_, HH_HELP_CONTEXT, context);
}

}  // namespace qb
