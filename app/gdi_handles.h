#pragma once
// Small owners of window-system resources, released on every path.
#include <windows.h>

namespace qb {

class FontHandle {
 public:
  FontHandle() = default;
  explicit FontHandle(HFONT font) : font_(font) {}
  ~FontHandle() { Reset(); }
  FontHandle(const FontHandle&) = delete;
  FontHandle& operator=(const FontHandle&) = delete;
  FontHandle& operator=(FontHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      font_ = other.font_;
      other.font_ = nullptr;
    }
    return *this;
  }
  HFONT get() const { return font_; }
  void Reset() {
    if (font_) DeleteObject(font_);
    font_ = nullptr;
  }

 private:
  HFONT font_ = nullptr;
};

class ScreenDC {
 public:
  ScreenDC() : dc_(GetDC(nullptr)) {}
  ~ScreenDC() {
    if (dc_) ReleaseDC(nullptr, dc_);
  }
  ScreenDC(const ScreenDC&) = delete;
  ScreenDC& operator=(const ScreenDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

// Suspends a control's drawing for a batch of changes: the window-update lock
// and WM_SETREDRAW off; on release, drawing resumes and the control repaints once.
// WM_SETREDRAW is what makes the batch fast: a list box repaints on every added
// row otherwise, lock or no lock.
class RedrawSuspension {
 public:
  explicit RedrawSuspension(HWND control) : control_(control) {
    locked_ = LockWindowUpdate(control_) != FALSE;
    // Turning redraw back on shows a window, so a hidden one is left as it is.
    visible_ = IsWindowVisible(control_) != FALSE;
    if (visible_) SendMessageW(control_, WM_SETREDRAW, FALSE, 0);
  }
  ~RedrawSuspension() {
    if (visible_) SendMessageW(control_, WM_SETREDRAW, TRUE, 0);
    if (locked_) LockWindowUpdate(nullptr);
    if (visible_) RedrawWindow(control_, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
  }
  RedrawSuspension(const RedrawSuspension&) = delete;
  RedrawSuspension& operator=(const RedrawSuspension&) = delete;

 private:
  HWND control_;
  bool locked_ = false;
  bool visible_ = false;
};

// Current dots per inch of the screen.
inline int ScreenDpi() {
  ScreenDC dc;
  int dpi = dc.get() ? GetDeviceCaps(dc.get(), LOGPIXELSY) : 96;
  return dpi > 0 ? dpi : 96;
}

}  // namespace qb
