#pragma once
// Owners of the system's handles, each released once, on every path: the one
// place where a handle the program opens or creates is closed.
#include <windows.h>

#include <utility>

namespace qb {

// Owns one handle of the kind that Traits describes: its type, the value that
// means "none" and the call that releases it.
template <class Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  Handle get() const { return handle_; }
  bool valid() const { return handle_ != Traits::none(); }
  explicit operator bool() const { return valid(); }

  // Where a call that hands out a new handle leaves it; the old one is released
  // first. For calls that leave "none" there when they fail.
  Handle* put() {
    reset();
    return &handle_;
  }

  // Gives the handle up without releasing it: something else owns it now.
  Handle release() { return std::exchange(handle_, Traits::none()); }

  void reset(Handle handle = Traits::none()) {
    const Handle old = std::exchange(handle_, handle);
    if (old != Traits::none()) Traits::Release(old);
  }

 private:
  Handle handle_ = Traits::none();
};

struct FontTraits {
  using Handle = HFONT;
  static Handle none() { return nullptr; }
  static void Release(Handle font) { DeleteObject(font); }
};
using FontHandle = UniqueHandle<FontTraits>;

// A menu that no window holds yet: a window destroys its own menu.
struct MenuTraits {
  using Handle = HMENU;
  static Handle none() { return nullptr; }
  static void Release(Handle menu) { DestroyMenu(menu); }
};
using MenuHandle = UniqueHandle<MenuTraits>;

// A window that no other window destroys with itself (a popup without owner,
// such as the tooltip window).
struct WindowTraits {
  using Handle = HWND;
  static Handle none() { return nullptr; }
  static void Release(Handle window) {
    if (IsWindow(window)) DestroyWindow(window);
  }
};
using WindowHandle = UniqueHandle<WindowTraits>;

// A registry key that the program opened or created (never a predefined root).
struct RegistryKeyTraits {
  using Handle = HKEY;
  static Handle none() { return nullptr; }
  static void Release(Handle key) { RegCloseKey(key); }
};
using RegistryKeyHandle = UniqueHandle<RegistryKeyTraits>;

// A file opened with CreateFile, whose failure value is INVALID_HANDLE_VALUE.
struct FileTraits {
  using Handle = HANDLE;
  static Handle none() { return INVALID_HANDLE_VALUE; }
  static void Release(Handle file) { CloseHandle(file); }
};
using FileHandle = UniqueHandle<FileTraits>;

// A kernel object other than a file: a process, a thread, an event.
struct ObjectTraits {
  using Handle = HANDLE;
  static Handle none() { return nullptr; }
  static void Release(Handle object) { CloseHandle(object); }
};
using ObjectHandle = UniqueHandle<ObjectTraits>;

// A search of FindFirstFile, ended with FindClose.
struct FindTraits {
  using Handle = HANDLE;
  static Handle none() { return INVALID_HANDLE_VALUE; }
  static void Release(Handle search) { FindClose(search); }
};
using FindHandle = UniqueHandle<FindTraits>;

// The screen's device context, for measuring.
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

}  // namespace qb
