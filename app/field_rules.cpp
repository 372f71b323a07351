// The rules that keep the fields and the two action buttons in step with what
// has been entered, and the provider choice.
#include "app/main_form.h"

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
  std::wstring protocol = WideFromUtf8(entry.incomingProtocol);
  if (!protocol.empty()) CharUpperBuffW(protocol.data(), static_cast<DWORD>(protocol.size()));
  SetTextOf(kLabelInbound, protocol + texts::kInboundSuffix);
  tooltips_.ShowIncomingServer(&entry.settings);
  const bool userTypesServers = entry.domain.empty();
  for (ControlId id : {kPopserver, kSmtpserver, kDominio}) Enable(id, userTypesServers);
}

void MainForm::OnProviderSelectionEnd(bool closing) {
  // The box changes its selection without CBN_SELCHANGE too: typing moves the
  // open list to the item the text begins with (and drops the selection when
  // the list is closed), and leaving the box with Tab keeps what the open list
  // shows. Whatever the way, the fields follow the selection.
  const int index = ProviderIndex();
  if (index != appliedPreset_) OnProviderClick();
  if (!closing || index < 0) return;
  // The text the user typed to reach the item gives way to the item's name,
  // so that the box names the preset the fields show.
  HWND box = control(kProvider);
  const auto length = SendMessageW(box, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR) return;
  std::wstring name(static_cast<std::size_t>(length) + 1, L'\0');
  name.resize(static_cast<std::size_t>(
      SendMessageW(box, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(name.data()))));
  if (WindowTextOf(box) != name) SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
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
