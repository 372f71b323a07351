// Adding and removing accounts, and closing the window.
#include "accounts/account_layout.h"
#include "app/main_form.h"
#include "app/text_convert.h"

namespace qb {

std::optional<AccountWriteResult> MainForm::Add_Account() {
  const int index = ProviderIndex();
  if (index < 0 || static_cast<std::size_t>(index) >= catalogue_.size()) {
    // Typing into the provider box drops its selection: without a preset there
    // is no protocol, and half an account must never be written.
    Tell(L"Scegli un provider dall'elenco prima di aggiungere l'indirizzo.", MB_ICONWARNING);
    return std::nullopt;
  }
  const AccountInput input{TextOfA(kUsername), TextOfA(kDominio), TextOfA(kNome), TextOfA(kSmtpserver),
                           TextOfA(kPopserver)};
  const std::string address = AccountAddress(input.userName, input.domain);
  switch (CheckAccountAddress(address)) {
    case AddressProblem::Backslash:
      Tell(L"L'indirizzo \"" + WideFromAnsi(address) +
               L"\" non può essere configurato: lo username e il dominio non possono contenere il carattere \"\\\".",
           MB_ICONWARNING);
      return std::nullopt;
    case AddressProblem::TooLong:
      Tell(L"L'indirizzo è troppo lungo: lo username e il dominio insieme possono avere al massimo " +
               std::to_wstring(MaxAccountAddressLength() - 1) + L" caratteri.",
           MB_ICONWARNING);
      return std::nullopt;
    case AddressProblem::None:
      break;
  }
  const auto protocol = ClassifyProtocol(catalogue_[static_cast<std::size_t>(index)].incomingProtocol);
  return WriteAccount(input, protocol, index == 0);
}

void MainForm::OnAddClick() {
  const auto written = Add_Account();
  if (!written) return;  // what the user typed stays in the fields
  UpdateForm();
  KeepKeyboardFocus(kProvider);  // the next account starts with a provider
  if (!written->failedValues.empty()) {
    std::wstring names;
    for (const std::string& name : written->failedValues) names += L"\n- " + WideFromAnsi(name);
    Tell(L"L'indirizzo \"" + WideFromAnsi(written->address) +
             L"\" non è stato configurato completamente. Non è stato possibile scrivere questi valori:" + names,
         MB_ICONWARNING);
  }
}

void MainForm::OnRemoveClick() {
  const int index = ListaIndex();
  if (index < 0 || static_cast<std::size_t>(index) >= accountKeyList_.size()) {
    Enable(kBtnCancella, false);  // no row, nothing to remove
    return;
  }
  HWND lista = control(kLista);
  std::wstring row(static_cast<std::size_t>(SendMessageW(lista, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0)) + 1,
                   L'\0');
  row.resize(static_cast<std::size_t>(
      SendMessageW(lista, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(row.data()))));
  const int answer = services_.messageBox(hwnd_, L"Vuoi veramente cancellare l'indirizzo " + row + L"?", L"Cancella",
                                          MB_YESNO | MB_DEFBUTTON1);
  if (answer != IDYES) return;
  const int selected = ListaIndex();
  if (selected >= 0 && static_cast<std::size_t>(selected) < accountKeyList_.size())
    DeleteAccountKey(accountKeyList_[static_cast<std::size_t>(selected)]);
  UpdateForm();
  KeepKeyboardFocus(kLista);
}

void MainForm::OnCloseClick() { DestroyWindow(hwnd_); }

void MainForm::KeepKeyboardFocus(ControlId next) {
  // The refresh disables the button that was just pressed, which drops the
  // keyboard focus; it goes where the user goes on from here.
  HWND focus = GetFocus();
  if (!focus || !IsWindowEnabled(focus)) SetFocus(control(next));
}

void MainForm::Tell(const std::wstring& text, UINT icon) { services_.messageBox(hwnd_, text, kWindowTitle, MB_OK | icon); }

}  // namespace qb
