// The rules that keep the fields and the two action buttons in step with what
// has been entered, and the provider choice.
#include "app/main_form.h"

#include "app/field_checks.h"
#include "app/text_convert.h"
#include "app/texts.h"

namespace qb {

void MainForm::OnProviderClick() {
  const int index = ProviderIndex();
  if (index < 0 || static_cast<std::size_t>(index) >= catalogue_.size()) {
    appliedPreset_ = -1;
    tooltips_.ShowIncomingServer(nullptr);
    for (ControlId id : {kPopserver, kSmtpserver, kDominio}) Enable(id, false);
    return;
  }
  const ProviderEntry entry = catalogue_[static_cast<std::size_t>(index)];
  appliedPreset_ = index;
  // Each assignment raises the field's Change rule before the next one.
  SetTextOf(kDominio, WideFromUtf8(entry.domain));
  SetTextOf(kPopserver, WideFromUtf8(entry.incomingServer));
  SetTextOf(kSmtpserver, WideFromUtf8(entry.smtpServer));
  SetTextOf(kLabelInbound, InboundLabel(entry.incomingProtocol));
  tooltips_.ShowIncomingServer(&entry.settings);
  const bool userTypesServers = entry.domain.empty();
  for (ControlId id : {kPopserver, kSmtpserver, kDominio}) Enable(id, userTypesServers);
}

void MainForm::OnProviderSelectionEnd() {
  // Typing into the box runs no rule: the fields keep the preset applied last
  // while the user types. When the list closes or the box is left, the box
  // comes to name the preset the fields show.
  HWND box = control(kProvider);
  const int index = ProviderIndex();
  if (index >= 0) {
    // The open list changes its selection without CBN_SELCHANGE too (typing
    // moves it to the item the text begins with, and Tab keeps what it
    // shows): the fields follow the selection, and the box shows its name.
    if (index != appliedPreset_) OnProviderClick();
    if (WindowTextOf(box) != WideFromUtf8(catalogue_.name(static_cast<std::size_t>(index))))
      SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    return;
  }
  // No selection: text was typed into the closed box, which drops its
  // selection then. A text that is exactly one preset's name chooses it; any
  // other gives way to the name of the preset the fields show (none: an empty
  // box). The applied preset's own name chooses nothing again: that would
  // wipe what was typed into its fields.
  const std::wstring text = WindowTextOf(box);
  const int named = PresetNamed(text);
  if (named >= 0 && named != appliedPreset_)
    SetProviderIndex(named);
  else
    SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(appliedPreset_), 0);
}

int MainForm::PresetNamed(const std::wstring& name) const {
  int found = -1;
  for (std::size_t i = 0; i < catalogue_.size(); ++i) {
    if (WideFromUtf8(catalogue_.name(i)) != name) continue;
    if (found >= 0) return -1;  // two presets of that name: neither is meant more than the other
    found = static_cast<int>(i);
  }
  return found;
}

void MainForm::Check_Form() {
  bool filled = true;
  for (ControlId id : {kUsername, kPopserver, kSmtpserver, kDominio})
    filled = filled && GetWindowTextLengthW(control(id)) > 0;
  Enable(kBtnAggiungi, filled);
}

void MainForm::OnFocusRule() { Enable(kBtnCancella, false); }

void MainForm::OnListaClick() {
  // A click below the last row selects nothing and offers nothing to remove.
  if (ListaIndex() >= 0) Enable(kBtnCancella, true);
}

int MainForm::ProviderIndex() const {
  // The selection index of the provider box is a signed 16-bit number.
  return static_cast<std::int16_t>(SendMessageW(control(kProvider), CB_GETCURSEL, 0, 0));
}

int MainForm::ListaIndex() const {
  // Full width: rows past 32,767 keep their own index.
  return static_cast<int>(SendMessageW(control(kLista), LB_GETCURSEL, 0, 0));
}

void MainForm::SetTextOf(ControlId id, const std::wstring& text) { SetWindowTextW(control(id), text.c_str()); }

void MainForm::Enable(ControlId id, bool enabled) { EnableWindow(control(id), enabled ? TRUE : FALSE); }

}  // namespace qb
