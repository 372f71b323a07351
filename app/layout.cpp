#include "app/layout.h"

#include "core/handles.h"

namespace qb {

const ControlSpec& SpecOf(ControlId id) {
  for (const auto& spec : kLayout)
    if (spec.id == id) return spec;
  return kLayout[0];
}

int ScreenDpi() {
  ScreenDC dc;
  const int dpi = dc.get() ? GetDeviceCaps(dc.get(), LOGPIXELSY) : 96;
  return dpi > 0 ? dpi : 96;
}

RECT ControlRectPixels(const ControlSpec& spec, int dpi) {
  int left = spec.left, top = spec.top;
  if (spec.container != 0) {
    const ControlSpec& frame = SpecOf(spec.container);
    left += frame.left;
    top += frame.top;
  }
  // Edges are converted, not sizes, so that adjoining controls stay adjoining.
  return RECT{TwipsToPixels(left, dpi), TwipsToPixels(top, dpi), TwipsToPixels(left + spec.width, dpi),
              TwipsToPixels(top + spec.height, dpi)};
}

}  // namespace qb
