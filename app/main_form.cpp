// The window class: creation of the window, the window procedure and the
// dispatch of notifications to handlers (the controls: window_controls.cpp).
#include "app/main_form.h"

#include <commctrl.h>

#include <new>
#include <utility>

#include "app/text_convert.h"
#include "app/texts.h"
#include "res/resource.h"

namespace qb {

namespace {

constexpr wchar_t kClassName[] = L"QuillbeckMainForm";
// Fixed border: title bar with system menu and close box, no minimize or maximize box.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kWindowExStyle = WS_EX_CONTROLPARENT;

// The ids follow the layout table's order without gaps (MainForm::Slot).
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
  // Without UNICODE, IDC_ARROW is typed as an ANSI name; it is an integer
  // identifier, the same in either width.
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  RegisterClassExW(&wc);
}

void ReportFatalError(HWND owner, const AppError& error) {
  const std::wstring text =
      texts::FormatText(texts::kFatalError, {std::to_wstring(error.number()), WideFromUtf8(error.description())});
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
  s.resolveName = mailcheck::ResolveWithGetAddrInfo;
  return s;
}

MainForm::MainForm(HINSTANCE instance, Services services) : instance_(instance), services_(std::move(services)) {}

MainForm::~MainForm() {
  if (hwnd_) {
    services_.ended = nullptr;  // tearing down the object is not the user closing the program
    DestroyWindow(hwnd_);
  }
}

std::size_t MainForm::Slot(ControlId id) { return static_cast<std::size_t>(id - kFrame1); }

HWND MainForm::control(ControlId id) const { return controls_[Slot(id)]; }

void MainForm::DispatchLoopMessage(MSG& msg) {
  if (IsReleaseOfAltChord(msg)) return;
  if (hwnd_ && IsDialogMessageW(hwnd_, &msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

// Windows enters menu mode when Alt is released only if no other key was
// pressed while it was held, and it keeps that count itself. Wine leaves it to
// DefWindowProc, which never sees a key that a control takes for itself: after
// Alt+Down in the provider box (the box opens its list and passes nothing on)
// the Alt key's release put the window into menu mode, and the Enter meant for
// the list opened help. The release of an Alt that was held with another key
// is therefore not dispatched; Windows would have done nothing with it.
bool MainForm::IsReleaseOfAltChord(const MSG& msg) {
  const bool altKey = msg.wParam == VK_MENU || msg.wParam == VK_LMENU || msg.wParam == VK_RMENU;
  switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (altKey) {
        if (!(HIWORD(msg.lParam) & KF_REPEAT)) altChord_ = false;
      } else if (GetKeyState(VK_MENU) < 0) {
        altChord_ = true;
      }
      return false;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      if (!altKey) return false;
      return std::exchange(altChord_, false);
    default:
      return false;
  }
}

void MainForm::ReportUncaught() {
  // Throwing the handled error again sorts it by its type.
  try {
    throw;
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
  if (mailcheck::IsCheckMessage(msg, wParam)) {
    OnCheckMessage(msg, wParam, lParam);
    return 0;
  }
  switch (msg) {
    case WM_CREATE:
      CreateControls();
      SetHelpFilePath();
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
      // window, takes it (see Tooltips::Create).
      tooltips_.Relay(hwnd_, msg, wParam, lParam);
      break;
    case WM_SETCURSOR:
      // While a check runs the pointer says so over the whole window, controls included.
      if (check_ && LOWORD(lParam) == HTCLIENT) {
        SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32650)));  // IDC_APPSTARTING
        return TRUE;
      }
      break;
    case WM_CLOSE:
      OnCloseClick();
      return 0;
    case WM_DESTROY:
      DropCheck();
      tooltips_.Destroy();
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
      else if (code == CBN_SELENDOK || code == CBN_SELENDCANCEL || code == CBN_CLOSEUP || code == CBN_KILLFOCUS)
        OnProviderSelectionEnd();
      // CBN_EDITCHANGE: typing into the box runs no rule.
      break;
    case kUsername:
    case kDominio:
    case kPopserver:
    case kSmtpserver:
    case kNome:
      if (code == EN_CHANGE) Check_Form();
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
    case kMenuVerifica:
      if (code == 0) OnCheckMenu();
      break;
    default:
      break;  // IDOK and IDCANCEL (Enter and Esc) mean nothing here
  }
}

void MainForm::CreateMainWindow() {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  RegisterWindowClass(instance_, &MainForm::WindowProc);

  const int dpi = ScreenDpi();
  RECT frame{0, 0, TwipsToPixels(kClientWidthTwips, dpi), TwipsToPixels(kClientHeightTwips, dpi)};
  AdjustWindowRectEx(&frame, kWindowStyle, TRUE, kWindowExStyle);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;

  MenuHandle menu(LoadMenuW(instance_, MAKEINTRESOURCEW(IDR_MAIN_MENU)));
  if (!CreateWindowExW(kWindowExStyle, kClassName, texts::kWindowTitle, kWindowStyle, x, y, width, height, nullptr,
                       menu.get(), instance_, this))
    throw AppError(static_cast<long>(GetLastError()), texts::kErrorNoWindow);
  menu.release();  // the window destroys its menu
  // The menu bar's real height can differ from what the estimate assumed.
  RECT client;
  GetClientRect(hwnd_, &client);
  const int dw = TwipsToPixels(kClientWidthTwips, dpi) - client.right;
  const int dh = TwipsToPixels(kClientHeightTwips, dpi) - client.bottom;
  if (dw != 0 || dh != 0)
    SetWindowPos(hwnd_, nullptr, x - dw / 2, y - dh / 2, width + dw, height + dh, SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainForm::SetHelpFilePath() { helpFilePath_ = HelpFilePathFor(ExecutableFolder()); }

LRESULT MainForm::ProviderProc(void* context, const SubclassedControl& provider, HWND hwnd, UINT msg, WPARAM wParam,
                               LPARAM lParam) noexcept {
  static_cast<MainForm*>(context)->tooltips_.Relay(hwnd, msg, wParam, lParam);
  return provider.CallOriginal(hwnd, msg, wParam, lParam);
}

LRESULT MainForm::ListaProc(void* context, const SubclassedControl& lista, HWND hwnd, UINT msg, WPARAM wParam,
                            LPARAM lParam) noexcept {
  auto* self = static_cast<MainForm*>(context);
  self->tooltips_.Relay(hwnd, msg, wParam, lParam);
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
