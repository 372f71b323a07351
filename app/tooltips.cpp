#include "app/tooltips.h"

#include <commctrl.h>

#include "app/layout.h"
#include "app/texts.h"

namespace qb {

namespace {

// What popserver's tooltip says about a preset's connection, in the user's terms.
std::wstring IncomingServerTip(const ServerSettings& settings) {
  std::wstring tip = settings.ssl ? texts::kTipSecure : texts::kTipNotSecure;
  tip += settings.incomingPort ? texts::FormatText(texts::kTipIncomingPort, {std::to_wstring(settings.incomingPort)})
                               : texts::kTipStandardPort;
  if (settings.outgoingPort || settings.auth) {
    tip += texts::kTipSending;
    if (settings.outgoingPort)
      tip += texts::FormatText(texts::kTipOutgoingPort, {std::to_wstring(settings.outgoingPort)});
    if (settings.auth) tip += settings.outgoingPort ? texts::kTipAuthAfterPort : texts::kTipAuth;
  }
  if (settings.loginAddress) tip += texts::kTipLoginAddress;
  return tip;
}

}  // namespace

void Tooltips::Create(HINSTANCE instance, HWND window, std::function<HWND(ControlId)> control) {
  window_ = window;
  control_ = std::move(control);
  // Not owned by the window: Wine keeps the owner of a topmost popup out of the
  // topmost band. This object destroys it.
  tooltip_.reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                 instance, nullptr));
  if (!tooltip_) return;
  auto add = [&](UINT_PTR tool, UINT flags, RECT rect, const wchar_t* text) {
    TOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.uFlags = flags;
    ti.hwnd = window_;
    ti.uId = tool;
    ti.rect = rect;
    ti.lpszText = const_cast<wchar_t*>(text);
    SendMessageW(tooltip_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  };
  const int dpi = ScreenDpi();
  for (const ControlSpec& spec : kLayout) {
    if (!spec.tooltip) continue;
    HWND h = control_(spec.id);
    // The list and the provider box take one message per row when they are
    // filled. The tooltip's own subclassing looks up a window property on every
    // message (a round trip to the server under Wine), which made filling them
    // 40 times slower; their own procedures relay the mouse (Relay).
    const bool relayed = spec.id == kLista || spec.id == kProvider;
    add(reinterpret_cast<UINT_PTR>(h), TTF_IDISHWND | (relayed ? 0 : TTF_SUBCLASS), {}, spec.tooltip);
    // The combo box's text field covers most of it and needs the tip too.
    if (spec.kind == ControlKind::ComboBox)
      if (HWND edit = FindWindowExW(h, nullptr, L"Edit", nullptr))
        add(reinterpret_cast<UINT_PTR>(edit), TTF_IDISHWND | TTF_SUBCLASS, {}, spec.tooltip);
    // A locked control takes no mouse input, and the tooltip shows a tool only
    // where the window under the cursor has one: the control's rectangle on
    // the window is a second tool with the same text, found while it is locked.
    // The window relays its own mouse messages for it.
    add(static_cast<UINT_PTR>(spec.id), 0, ControlRectPixels(spec, dpi), spec.tooltip);
  }
  SendMessageW(tooltip_.get(), TTM_SETMAXTIPWIDTH, 0, 400);
}

void Tooltips::Relay(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) const {
  if (!tooltip_ || (msg != WM_MOUSEMOVE && (msg < WM_LBUTTONDOWN || msg > WM_MBUTTONUP))) return;
  const DWORD pos = GetMessagePos();
  MSG relayed{hwnd, msg, wParam, lParam, static_cast<DWORD>(GetMessageTime()),
              {static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))}};
  SendMessageW(tooltip_.get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

void Tooltips::ShowIncomingServer(const ServerSettings* settings) {
  SetTipText(kPopserver, settings && settings->any() ? IncomingServerTip(*settings)
                                                     : std::wstring(SpecOf(kPopserver).tooltip));
}

void Tooltips::SetTipText(ControlId id, const std::wstring& text) {
  if (!tooltip_) return;
  TOOLINFOW ti{};
  ti.cbSize = sizeof ti;
  ti.hwnd = window_;
  ti.lpszText = const_cast<wchar_t*>(text.c_str());
  for (UINT_PTR tool : {reinterpret_cast<UINT_PTR>(control_(id)), static_cast<UINT_PTR>(id)}) {
    ti.uId = tool;
    SendMessageW(tooltip_.get(), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
  }
}

}  // namespace qb
