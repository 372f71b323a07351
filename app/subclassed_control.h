#pragma once
// A control whose window procedure the program replaces with its own: the
// owner of that replacement, which keeps the control's original procedure.
#include <windows.h>

namespace qb {

class SubclassedControl {
 public:
  // The program's procedure for the control. It is given the context passed to
  // Attach and the owner, whose CallOriginal passes a message on to the
  // control's own procedure. No exception may leave it.
  using Procedure = LRESULT (*)(void* context, const SubclassedControl& owner, HWND hwnd, UINT msg, WPARAM wParam,
                                LPARAM lParam) noexcept;

  SubclassedControl() = default;
  ~SubclassedControl() { Detach(); }
  // The control holds this object's address: it stays where it is.
  SubclassedControl(const SubclassedControl&) = delete;
  SubclassedControl& operator=(const SubclassedControl&) = delete;

  // Sends the control's messages to `procedure` from now on. The owner is
  // found from the control through the control's user data (GWLP_USERDATA),
  // which the system's list and combo boxes leave to the program: a window
  // property (SetPropW/GetPropW, or SetWindowSubclass, which is built on one)
  // would be looked up on every message, a round trip to the server under
  // Wine that made filling the list 40 times slower.
  void Attach(HWND control, Procedure procedure, void* context) {
    Detach();
    hwnd_ = control;
    procedure_ = procedure;
    context_ = context;
    SetWindowLongPtrW(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    original_ =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Relay)));
  }

  // Gives the control its own procedure back, when it still exists: a control
  // that was destroyed has already let go of its owner (WM_NCDESTROY below).
  void Detach() {
    if (hwnd_) {
      SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
      SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    }
    hwnd_ = nullptr;
    original_ = nullptr;
  }

  HWND hwnd() const { return hwnd_; }

  LRESULT CallOriginal(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) const {
    return CallWindowProcW(original_, hwnd, msg, wParam, lParam);
  }

 private:
  static LRESULT CALLBACK Relay(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<SubclassedControl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
      // The control's last message: it forgets its owner, which forgets it.
      const WNDPROC original = self->original_;
      SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      self->hwnd_ = nullptr;
      self->original_ = nullptr;
      return CallWindowProcW(original, hwnd, msg, wParam, lParam);
    }
    return self->procedure_(self->context_, *self, hwnd, msg, wParam, lParam);
  }

  HWND hwnd_ = nullptr;
  WNDPROC original_ = nullptr;
  Procedure procedure_ = nullptr;
  void* context_ = nullptr;
};

}  // namespace qb
