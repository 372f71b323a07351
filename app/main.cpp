// Program entry: the one window and its event loop.
#include "app/main_form.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  qb::MainForm form(instance);
  form.Startup();
  MSG msg{};
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) form.DispatchLoopMessage(msg);
  return static_cast<int>(msg.wParam);
}
