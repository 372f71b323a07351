#pragma once
// The window's layout table: every control, in creation order, with its
// caption, tooltip, position and size in twips (from its container) and help
// context number.
#include <windows.h>

#include <array>
#include <cstddef>

#include "app/control_ids.h"
#include "app/texts.h"

namespace qb {

enum class ControlKind { Frame, Label, ListBox, Button, ComboBox, TextBox };
enum class TextAlign { Left, Right, Center };

struct ControlSpec {
  ControlId id;
  const char* name;
  ControlKind kind;
  ControlId container;  // 0: the window's client area
  const wchar_t* caption;
  const wchar_t* tooltip;  // nullptr: none
  int left, top, width, height;  // twips, from the container
  DWORD helpId;                  // 0: none
  TextAlign align;
  bool bigFont;  // Verdana 12 bold instead of Verdana 8.25
};

inline constexpr int kClientWidthTwips = 5715;
inline constexpr int kClientHeightTwips = 6615;

// Each label stands right before its field, so that screen readers name the field
// after it; the focusable controls appear in their Tab order.
inline constexpr auto kLayout = [] {
  constexpr auto L = TextAlign::Left;
  constexpr auto R = TextAlign::Right;
  constexpr auto C = TextAlign::Center;
  constexpr auto W = static_cast<ControlId>(0);
  constexpr auto Frame = ControlKind::Frame, Label = ControlKind::Label, ListBox = ControlKind::ListBox,
                 Button = ControlKind::Button, ComboBox = ControlKind::ComboBox, TextBox = ControlKind::TextBox;
  using namespace texts;
  return std::to_array<ControlSpec>({
      {kFrame1, "Frame1", Frame, W, kFrame1Caption, nullptr, 120, 105, 5475, 2550, 0, L, false},
      {kLista, "lista", ListBox, kFrame1, L"", kListaTip, 120, 360, 5235, 1620, kHelpLista, L, false},
      {kBtnCancella, "btn_cancella", Button, kFrame1, kBtnCancellaCaption, kBtnCancellaTip,
       120, 2100, 5235, 315, kHelpRimuovi, C, false},
      {kFrame2, "Frame2", Frame, W, kFrame2Caption, nullptr, 120, 2760, 5475, 3735, 0, L, false},
      {kLabel8, "Label8", Label, kFrame2, kLabel8Caption, nullptr, 60, 420, 1275, 195, 0, R, false},
      {kProvider, "provider", ComboBox, kFrame2, L"", kProviderTip, 1440, 360, 3915, 315, kHelpProvider, L, false},
      {kLabel3, "Label3", Label, kFrame2, kLabel3Caption, nullptr, 300, 900, 1035, 255, 0, R, false},
      {kUsername, "username", TextBox, kFrame2, L"", kUsernameTip, 1440, 840, 1995, 315, kHelpUsername, L, false},
      {kLabel10, "Label10", Label, kFrame2, kLabel10Caption, nullptr, 3480, 840, 255, 375, 0, L, true},
      {kDominio, "dominio", TextBox, kFrame2, L"", kDominioTip, 3720, 840, 1635, 315, kHelpDominio, L, false},
      {kLabel9, "Label9", Label, kFrame2, kLabel9Caption, nullptr, 60, 1320, 5355, 495, 0, C, false},
      {kLabelInbound, "LabelInbound", Label, kFrame2, kLabelInboundCaption, nullptr, 60, 1920, 1275, 255, 0, R, false},
      {kPopserver, "popserver", TextBox, kFrame2, L"", kPopserverTip,
       1440, 1860, 3915, 315, kHelpServerArrivo, L, false},
      {kLabel5, "Label5", Label, kFrame2, kLabel5Caption, nullptr, 60, 2400, 1275, 315, 0, R, false},
      {kSmtpserver, "smtpserver", TextBox, kFrame2, L"", kSmtpserverTip,
       1440, 2340, 3915, 315, kHelpServerSmtp, L, false},
      {kLabel6, "Label6", Label, kFrame2, kLabel6Caption, nullptr, 120, 2880, 1215, 255, 0, R, false},
      {kNome, "nome", TextBox, kFrame2, L"", kNomeTip, 1440, 2820, 3915, 315, kHelpNomeChiudi, L, false},
      {kBtnAggiungi, "btn_aggiungi", Button, kFrame2, kBtnAggiungiCaption, kBtnAggiungiTip,
       150, 3300, 2895, 315, kHelpAggiungi, C, false},
      {kBtnChiudi, "btn_chiudi", Button, kFrame2, kBtnChiudiCaption, kBtnChiudiTip,
       3240, 3300, 2115, 315, kHelpNomeChiudi, C, false},
  });
}();

const ControlSpec& SpecOf(ControlId id);

// Twips to pixels at the given dots per inch (15 twips a pixel at 96).
inline int TwipsToPixels(int twips, int dpi) { return MulDiv(twips, dpi, 1440); }

// Current dots per inch of the screen.
int ScreenDpi();

// The control's rectangle in the window's client area, in pixels.
RECT ControlRectPixels(const ControlSpec& spec, int dpi);

}  // namespace qb
