// The floor of the user-level start-up: Quillbeck.exe's window as plain code.
// The same class style, icon, menu, size, the same controls from the layout
// table with the program's styles and fonts, the same manifest (common
// controls 6) and version resource; no handlers, no tooltips, no data.
#include <windows.h>

#include <commctrl.h>

#include "app/layout.h"
#include "res/resource.h"

namespace {

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// The program's window classes and styles, by ControlKind.
struct ControlClass {
  const wchar_t* name;
  DWORD style, exStyle;
};
constexpr ControlClass kClasses[] = {
    {L"BUTTON", BS_GROUPBOX, 0},
    {L"STATIC", SS_NOPREFIX, 0},
    {L"LISTBOX", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, WS_EX_CLIENTEDGE},
    {L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON | BS_NOTIFY, 0},
    {L"COMBOBOX", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, 0},
    {L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE},
};

HFONT Verdana(int pointsTimes100, int weight, int dpi) {
  return CreateFontW(-MulDiv(pointsTimes100, dpi, 7200), 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Verdana");
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP));
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"QuillbeckBenchTwin";
  RegisterClassExW(&wc);
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  RECT frame{0, 0, qb::TwipsToPixels(qb::kClientWidthTwips, dpi), qb::TwipsToPixels(qb::kClientHeightTwips, dpi)};
  AdjustWindowRectEx(&frame, kStyle, TRUE, kExStyle);
  HMENU menu = LoadMenuW(instance, MAKEINTRESOURCEW(IDR_MAIN_MENU));
  HWND window = CreateWindowExW(kExStyle | WS_EX_TOPMOST, wc.lpszClassName, qb::texts::kWindowTitle, kStyle,
                                CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                                nullptr, menu, instance, nullptr);
  HFONT font = Verdana(825, FW_NORMAL, dpi), big = Verdana(1200, FW_BOLD, dpi);
  for (const qb::ControlSpec& spec : qb::kLayout) {
    const ControlClass& c = kClasses[static_cast<int>(spec.kind)];
    const DWORD align = spec.kind != qb::ControlKind::Label   ? 0
                        : spec.align == qb::TextAlign::Right  ? SS_RIGHT
                        : spec.align == qb::TextAlign::Center ? SS_CENTER
                                                              : SS_LEFT;
    const RECT r = qb::ControlRectPixels(spec, dpi);
    const int height = (r.bottom - r.top) * (spec.kind == qb::ControlKind::ComboBox ? 10 : 1);
    HWND h = CreateWindowExW(c.exStyle, c.name, spec.caption, WS_CHILD | WS_VISIBLE | c.style | align, r.left, r.top,
                             r.right - r.left, height, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)),
                             instance, nullptr);
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(spec.bigFont ? big : font), FALSE);
  }
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  MSG msg{};
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (IsDialogMessageW(window, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
