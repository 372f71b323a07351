// The rules that keep the fields and the two action buttons in step with what
// has been entered, and the provider choice.
#include "app/main_form.h"
#include "app/text_convert.h"

namespace qb {

void MainForm::OnProviderClick() {
  const int index = ProviderIndex();
  if (index < 0 || static_cast<std::size_t>(index) >= catalogue_.size()) {
    for (ControlId id : {kPopserver, kSmtpserver, kDominio}) Enable(id, false);
    return;
  }
  const ProviderEntry entry = catalogue_[static_cast<std::size_t>(index)];
  // Each assignment raises the field's Change rule before the next one.
  SetTextOfA(kDominio, entry.domain);
  SetTextOfA(kPopserver, entry.incomingServer);
  SetTextOfA(kSmtpserver, entry.smtpServer);
  std::wstring protocol = WideFromAnsi(entry.incomingProtocol);
  if (!protocol.empty()) CharUpperBuffW(protocol.data(), static_cast<DWORD>(protocol.size()));
  SetTextOf(kLabelInbound, protocol + kInboundSuffix);
  const bool userTypesServers = entry.domain.empty();
  for (ControlId id : {kPopserver, kSmtpserver, kDominio}) Enable(id, userTypesServers);
}

void MainForm::OnFieldChange() { Check_Form(); }

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

std::string MainForm::TextOfA(ControlId id) const { return AnsiFromWide(WindowTextOf(control(id))); }

void MainForm::SetTextOf(ControlId id, const std::wstring& text) { SetWindowTextW(control(id), text.c_str()); }

void MainForm::SetTextOfA(ControlId id, const std::string& text) { SetTextOf(id, WideFromAnsi(text)); }

void MainForm::Enable(ControlId id, bool enabled) { EnableWindow(control(id), enabled ? TRUE : FALSE); }

}  // namespace qb
