// The window class: creation of the window and its controls from the layout
// table, the window procedure and the dispatch of notifications to handlers.
#include "app/main_form.h"

#include <commctrl.h>

#include <new>

#include "app/text_convert.h"
#include "app/texts.h"
#include "res/resource.h"

namespace qb {

namespace {

constexpr wchar_t kClassName[] = L"QuillbeckMainForm";
// Fixed border: title bar with system menu and close box, no minimize or maximize box.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kWindowExStyle = WS_EX_CONTROLPARENT;

// A control's place in the layout table and in controls_: the ids follow the
// table's order without gaps.
std::size_t Slot(ControlId id) { return static_cast<std::size_t>(id - kFrame1); }
static_assert([] {
  for (std::size_t i = 0; i < kLayout.size(); ++i)
    if (kLayout[i].id != kFrame1 + static_cast<int>(i)) return false;
  return true;
}());

void RegisterWindowClass(HINSTANCE instance, WNDPROC proc) {
  WNDCLASSEXW wc{};
  if (GetClassInfoExW(instance, kClassName, &wc)) return;
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                           GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_SHARED));
  wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  RegisterClassExW(&wc);
}

struct ControlClass {
  const wchar_t* name;
  DWORD style;
  DWORD exStyle;
};

ControlClass ClassFor(const ControlSpec& spec) {
  constexpr DWORD child = WS_CHILD | WS_VISIBLE;
  switch (spec.kind) {
    case ControlKind::Frame:
      return {L"BUTTON", child | BS_GROUPBOX, 0};
    case ControlKind::Label: {
      DWORD align = spec.align == TextAlign::Right ? SS_RIGHT : spec.align == TextAlign::Center ? SS_CENTER : SS_LEFT;
      return {L"STATIC", child | align | SS_NOPREFIX, 0};
    }
    case ControlKind::ListBox:
      return {L"LISTBOX", child | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, WS_EX_CLIENTEDGE};
    case ControlKind::Button:
      // BS_NOTIFY: the buttons report getting the focus.
      return {L"BUTTON", child | WS_TABSTOP | BS_PUSHBUTTON | BS_NOTIFY, 0};
    case ControlKind::ComboBox:
      return {L"COMBOBOX", child | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, 0};
    case ControlKind::TextBox:
      return {L"EDIT", child | WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT, WS_EX_CLIENTEDGE};
  }
  return {L"STATIC", child, 0};
}

FontHandle MakeVerdana(int tenthsOfPointTimes10, int weight, int dpi) {
  return FontHandle(CreateFontW(-MulDiv(tenthsOfPointTimes10, dpi, 7200), 0, 0, 0, weight, FALSE, FALSE, FALSE,
                                DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                DEFAULT_PITCH | FF_SWISS, L"Verdana"));
}

void ReportFatalError(HWND owner, const AppError& error) {
  const std::wstring text =
      texts::FormatText(texts::kFatalError, {std::to_wstring(error.number()), WideFromAnsi(error.description())});
  MessageBoxW(owner, text.c_str(), texts::kWindowTitle, MB_OK | MB_ICONERROR | MB_TOPMOST);
  ExitProcess(error.number() != 0 ? static_cast<UINT>(error.number()) : 1u);
}

}  // namespace

MainForm::Services MainForm::DefaultServices() {
  Services s;
  s.messageBox = [](HWND owner, const std::wstring& text, const std::wstring& title, UINT type) {
    return MessageBoxW(owner, text.c_str(), title.c_str(), type);
  };
  s.help = [](HWND owner, const std::wstring& file, UINT command, DWORD_PTR data) {
    CallHtmlHelp(owner, file, command, data);
  };
  s.fatal = ReportFatalError;
  s.ended = [] { PostQuitMessage(0); };
  return s;
}

MainForm::MainForm(HINSTANCE instance, Services services) : instance_(instance), services_(std::move(services)) {}

MainForm::~MainForm() {
  if (hwnd_) {
    services_.ended = nullptr;  // tearing down the object is not the user closing the program
    DestroyWindow(hwnd_);
  }
}

HWND MainForm::control(ControlId id) const { return controls_[Slot(id)]; }

void MainForm::Guarded(const std::function<void()>& handler) {
  // No error crosses a window procedure: what no handler caught is reported here.
  try {
    handler();
  } catch (const AppError& error) {
    services_.fatal(hwnd_, error);
  } catch (const std::bad_alloc&) {
    services_.fatal(hwnd_, AppError(7, texts::kErrorOutOfMemory));
  } catch (const std::exception& error) {
    services_.fatal(hwnd_, AppError(51, error.what()));
  } catch (...) {
    services_.fatal(hwnd_, AppError(51, texts::kErrorInternal));
  }
}

LRESULT CALLBACK MainForm::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<MainForm*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<MainForm*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    self->controls_.fill(nullptr);
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
  LRESULT result = 0;
  self->Guarded([&] { result = self->HandleMessage(msg, wParam, lParam); });
  return result;
}

LRESULT MainForm::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      CreateControls();
      OnLoad();
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_HELP:
      OnHelpKey(*reinterpret_cast<const HELPINFO*>(lParam));
      return TRUE;
    case WM_ACTIVATE:
      // Like a dialog, the window gives the focus back to the control that had it.
      if (LOWORD(wParam) == WA_INACTIVE) {
        lastFocus_ = GetFocus();
      } else if (lastFocus_ && IsChild(hwnd_, lastFocus_) && IsWindowEnabled(lastFocus_)) {
        SetFocus(lastFocus_);
        return 0;
      }
      break;
    case WM_CTLCOLORSTATIC: {
      // Labels, frames and locked fields on the window's own face colour.
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      SetTextColor(dc, GetSysColor(IsWindowEnabled(reinterpret_cast<HWND>(lParam)) ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
      // Over a locked field the mouse reaches the window itself (the frame
      // lets it pass), where the field's second tool, a rectangle of the
      // window, takes it (see CreateTooltips).
      RelayToTooltip(hwnd_, msg, wParam, lParam);
      break;
    case WM_CLOSE:
      OnCloseClick();
      return 0;
    case WM_DESTROY:
      if (tooltip_) DestroyWindow(tooltip_);
      tooltip_ = nullptr;
      if (services_.ended) services_.ended();
      return 0;
  }
  return DefWindowProcW(hwnd_, msg, wParam, lParam);
}

void MainForm::OnCommand(int id, int code, HWND /*source*/) {
  switch (id) {
    case kProvider:
      if (code == CBN_SELCHANGE) OnProviderClick();
      else if (code == CBN_SETFOCUS) OnFocusRule();
      else if (code == CBN_EDITCHANGE || code == CBN_SELENDOK || code == CBN_SELENDCANCEL) OnProviderSelectionEnd(false);
      else if (code == CBN_CLOSEUP || code == CBN_KILLFOCUS) OnProviderSelectionEnd(true);
      break;
    case kUsername:
    case kDominio:
    case kPopserver:
    case kSmtpserver:
    case kNome:
      if (code == EN_CHANGE) OnFieldChange();
      else if (code == EN_SETFOCUS) OnFocusRule();
      break;
    case kLista:
      if (code == LBN_SELCHANGE) OnListaClick();
      break;
    case kBtnAggiungi:
      if (code == BN_CLICKED) OnAddClick();
      else if (code == BN_SETFOCUS) OnFocusRule();
      break;
    case kBtnCancella:
      if (code == BN_CLICKED) OnRemoveClick();
      break;
    case kBtnChiudi:
      if (code == BN_CLICKED) OnCloseClick();
      break;
    case kMenuAiuto:
      if (code == 0) OnHelpMenu();
      break;
    default:
      break;  // IDOK and IDCANCEL (Enter and Esc) mean nothing here
  }
}

void MainForm::CreateWindowAndControls() {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  RegisterWindowClass(instance_, &MainForm::WindowProc);

  const int dpi = ScreenDpi();
  RECT frame{0, 0, TwipsToPixels(kClientWidthTwips, dpi), TwipsToPixels(kClientHeightTwips, dpi)};
  AdjustWindowRectEx(&frame, kWindowStyle, TRUE, kWindowExStyle);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;

  HMENU menu = CreateMenu();
  AppendMenuW(menu, MF_STRING, kMenuAiuto, texts::kMenuAiuto);
  if (!CreateWindowExW(kWindowExStyle, kClassName, texts::kWindowTitle, kWindowStyle, x, y, width, height, nullptr,
                       menu, instance_, this)) {
    DestroyMenu(menu);
    throw AppError(static_cast<long>(GetLastError()), texts::kErrorNoWindow);
  }
  // The menu bar's real height can differ from what the estimate assumed.
  RECT client;
  GetClientRect(hwnd_, &client);
  const int dw = TwipsToPixels(kClientWidthTwips, dpi) - client.right;
  const int dh = TwipsToPixels(kClientHeightTwips, dpi) - client.bottom;
  if (dw != 0 || dh != 0)
    SetWindowPos(hwnd_, nullptr, x - dw / 2, y - dh / 2, width + dw, height + dh, SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainForm::OnLoad() { helpFilePath_ = HelpFilePathFor(ExecutableFolder()); }

void MainForm::CreateControls() {
  const int dpi = ScreenDpi();
  font_ = MakeVerdana(825, FW_NORMAL, dpi);
  bigFont_ = MakeVerdana(1200, FW_BOLD, dpi);
  for (const ControlSpec& spec : kLayout) {
    const ControlClass cls = ClassFor(spec);
    const RECT r = ControlRectPixels(spec, dpi);
    int height = r.bottom - r.top;
    // A drop-down's window height includes its list; the closed box is fitted below.
    if (spec.kind == ControlKind::ComboBox) height *= 10;
    HWND h = CreateWindowExW(cls.exStyle, cls.name, spec.caption, cls.style, r.left, r.top, r.right - r.left, height,
                             hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), instance_, nullptr);
    controls_[Slot(spec.id)] = h;
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(spec.bigFont ? bigFont_.get() : font_.get()), FALSE);
    if (spec.helpId) SetWindowContextHelpId(h, spec.helpId);
    if (spec.kind == ControlKind::TextBox) SendMessageW(h, EM_SETLIMITTEXT, 0, 0);  // no length limit
    if (spec.kind == ControlKind::ComboBox) {
      SendMessageW(h, CB_LIMITTEXT, 0, 0);
      FitComboHeight(h, r.bottom - r.top);
      if (HWND edit = FindWindowExW(h, nullptr, L"Edit", nullptr)) SetWindowContextHelpId(edit, spec.helpId);
    }
  }
  subclassedLista_.Attach(control(kLista), &MainForm::ListaProc, this);
  subclassedProvider_.Attach(control(kProvider), &MainForm::ProviderProc, this);
  CreateTooltips();
}

void MainForm::FitComboHeight(HWND combo, int height) {
  // The closed box's height follows its text field's height; what the field
  // reports and what it is set to differ between systems, so the size is
  // measured after each step.
  auto closedHeight = [combo] {
    RECT r;
    GetWindowRect(combo, &r);
    return static_cast<int>(r.bottom - r.top);
  };
  const LRESULT field = SendMessageW(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
  if (field == CB_ERR) return;
  int value = static_cast<int>(field);
  for (int step = 0, miss = height - closedHeight(); step < 4 && miss != 0 && value + miss > 0; ++step) {
    value += miss;
    SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), value);
    miss = height - closedHeight();
  }
}

void MainForm::CreateTooltips() {
  // Not owned by the window: Wine keeps the owner of a topmost popup out of the
  // topmost band. The window destroys it itself.
  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance_,
                             nullptr);
  if (!tooltip_) return;
  auto add = [&](HWND target, const wchar_t* text, bool subclass) {
    TOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND | (subclass ? TTF_SUBCLASS : 0);
    ti.hwnd = hwnd_;
    ti.uId = reinterpret_cast<UINT_PTR>(target);
    ti.lpszText = const_cast<wchar_t*>(text);
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  };
  for (const ControlSpec& spec : kLayout) {
    if (!spec.tooltip) continue;
    HWND h = control(spec.id);
    // The list and the provider box take one message per row when they are
    // filled. The tooltip's own subclassing looks up a window property on every
    // message (a round trip to the server under Wine), which made filling them
    // 40 times slower; their own procedures relay the mouse to the tooltip.
    add(h, spec.tooltip, spec.id != kLista && spec.id != kProvider);
    // The combo box's text field covers most of it and needs the tip too.
    if (spec.kind == ControlKind::ComboBox)
      if (HWND edit = FindWindowExW(h, nullptr, L"Edit", nullptr)) add(edit, spec.tooltip, true);
    // A locked control takes no mouse input, and the tooltip shows a tool only
    // where the window under the cursor has one: the control's rectangle on
    // the window is a second tool with the same text, found while it is locked.
    TOOLINFOW locked{};
    locked.cbSize = sizeof locked;
    locked.hwnd = hwnd_;
    locked.uId = static_cast<UINT_PTR>(spec.id);
    locked.rect = ControlRectPixels(spec, ScreenDpi());
    locked.lpszText = const_cast<wchar_t*>(spec.tooltip);
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&locked));
  }
  SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, 400);
}

void MainForm::RelayToTooltip(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) const {
  if (!tooltip_ || (msg != WM_MOUSEMOVE && (msg < WM_LBUTTONDOWN || msg > WM_MBUTTONUP))) return;
  const DWORD pos = GetMessagePos();
  MSG relayed{hwnd, msg, wParam, lParam, static_cast<DWORD>(GetMessageTime()),
              {static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))}};
  SendMessageW(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

void MainForm::SetTipText(ControlId id, const std::wstring& text) {
  if (!tooltip_) return;
  TOOLINFOW ti{};
  ti.cbSize = sizeof ti;
  ti.hwnd = hwnd_;
  ti.lpszText = const_cast<wchar_t*>(text.c_str());
  for (UINT_PTR tool : {reinterpret_cast<UINT_PTR>(control(id)), static_cast<UINT_PTR>(id)}) {
    ti.uId = tool;
    SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
  }
}

LRESULT MainForm::ProviderProc(void* context, const SubclassedControl& provider, HWND hwnd, UINT msg, WPARAM wParam,
                               LPARAM lParam) noexcept {
  static_cast<MainForm*>(context)->RelayToTooltip(hwnd, msg, wParam, lParam);
  return provider.CallOriginal(hwnd, msg, wParam, lParam);
}

LRESULT MainForm::ListaProc(void* context, const SubclassedControl& lista, HWND hwnd, UINT msg, WPARAM wParam,
                            LPARAM lParam) noexcept {
  auto* self = static_cast<MainForm*>(context);
  self->RelayToTooltip(hwnd, msg, wParam, lParam);
  if (msg != WM_LBUTTONDOWN) return lista.CallOriginal(hwnd, msg, wParam, lParam);
  // A click on the row that is already selected changes no selection, so the
  // list reports nothing; it is still a click on a row.
  const LRESULT before = SendMessageW(hwnd, LB_GETCURSEL, 0, 0);
  const LRESULT result = lista.CallOriginal(hwnd, msg, wParam, lParam);
  const LRESULT hit = SendMessageW(hwnd, LB_ITEMFROMPOINT, 0, lParam);
  if (before != LB_ERR && HIWORD(hit) == 0 && LOWORD(hit) == (before & 0xFFFF) &&
      SendMessageW(hwnd, LB_GETCURSEL, 0, 0) == before)
    self->Guarded([self] { self->OnListaClick(); });
  return result;
}

}  // namespace qb
