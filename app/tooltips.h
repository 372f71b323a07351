#pragma once
// The window's tooltips: one tooltip window with a tip for every control that
// has one in the layout, shown whether the control is enabled or locked.
#include <windows.h>

#include <functional>
#include <string>

#include "core/handles.h"
#include "app/control_ids.h"
#include "catalogue/provider_catalogue.h"

namespace qb {

class Tooltips {
 public:
  // Creates the tooltip window and its tools over `window`'s controls, which
  // `control` finds by id. Without a tooltip window (its creation failed) the
  // window goes on without tips.
  void Create(HINSTANCE instance, HWND window, std::function<HWND(ControlId)> control);
  void Destroy() { tooltip_.reset(); }
  HWND hwnd() const { return tooltip_.get(); }

  // Hands a mouse message of `hwnd` to the tooltip, which shows and hides the
  // tips by them; other messages are ignored.
  void Relay(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) const;

  // The incoming server's tip tells the applied preset's connection; nullptr
  // (no preset) or a preset without settings words gives the field's own tip.
  void ShowIncomingServer(const ServerSettings* settings);

 private:
  // The tip of a control, over it and over its rectangle on the window.
  void SetTipText(ControlId id, const std::wstring& text);

  WindowHandle tooltip_;
  HWND window_ = nullptr;
  std::function<HWND(ControlId)> control_;
};

}  // namespace qb
