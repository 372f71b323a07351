// The window's controls, created from the layout table with their classes,
// styles, fonts and help numbers.
#include "app/main_form.h"

namespace qb {

namespace {

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
      // WS_HSCROLL: a row wider than the list (a long address) scrolls sideways.
      return {L"LISTBOX", child | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
              WS_EX_CLIENTEDGE};
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

}  // namespace

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
  tooltips_.Create(instance_, hwnd_, [this](ControlId id) { return control(id); });
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

}  // namespace qb
