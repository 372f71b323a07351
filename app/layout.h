#pragma once
// The window's layout table: every control, in creation order, with its
// caption, tooltip, position and size in twips (from its container), focus
// order and help context number.
#include <windows.h>

#include <array>
#include <cstddef>

#include "app/control_ids.h"

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
  int focusOrder;                // -1: never takes the focus
  DWORD helpId;                  // 0: none
  TextAlign align;
  bool bigFont;  // Verdana 12 bold instead of Verdana 8.25
};

inline constexpr int kClientWidthTwips = 5715;
inline constexpr int kClientHeightTwips = 6615;
inline constexpr wchar_t kWindowTitle[] = L"Configurazione Mail";
inline constexpr wchar_t kMenuAiutoCaption[] = L"Aiuto";
inline constexpr wchar_t kInboundSuffix[] = L" Server:";

extern const std::array<ControlSpec, 19> kLayout;

const ControlSpec& SpecOf(ControlId id);

// Twips to pixels at the given dots per inch (15 twips a pixel at 96).
inline int TwipsToPixels(int twips, int dpi) { return MulDiv(twips, dpi, 1440); }

// The control's rectangle in the window's client area, in pixels.
RECT ControlRectPixels(const ControlSpec& spec, int dpi);

}  // namespace qb
