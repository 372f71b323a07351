// Start-up sequence and the window's refresh.
#include "accounts/account_list.h"
#include "app/main_form.h"
#include "app/preset_problems.h"
#include "app/text_convert.h"
#include "app/texts.h"
#include "catalogue/provider_file.h"

namespace qb {

void MainForm::Startup() {
  Guarded([this] {
    CreateMainWindow();  // the load handler sets the help file path
    SetAlwaysOnTopMode(static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(hwnd_)), true);
    // A shown combo box measures its text field again.
    const RECT combo = ControlRectPixels(SpecOf(kProvider), ScreenDpi());
    FitComboHeight(control(kProvider), combo.bottom - combo.top);
    // The window is drawn whole, labels and frames included, before the
    // presets and the accounts load: with thousands of them that takes a while.
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    Array_Initialize();
    std::vector<std::string> names;
    names.reserve(catalogue_.size());
    for (std::size_t i = 0; i < catalogue_.size(); ++i) names.push_back(catalogue_.name(i));
    ArrayToListBox(control(kProvider), names, TextCoding::Utf8, false);
    UpdateForm();
    // With no presets there is nothing to select: the fields stay locked and
    // the add button disabled.
    if (!catalogue_.empty()) SetProviderIndex(0);
    SetFocus(control(kLista));
    ReportPresetProblems();
  });
}

void MainForm::ReportPresetProblems() {
  const std::wstring text = PresetProblemsMessage(catalogue_.problems(), UnusablePresets(catalogue_));
  if (!text.empty()) Tell(text, MB_ICONWARNING);
}

void MainForm::Array_Initialize() {
  try {
    catalogue_ = LoadProviderFile();
  } catch (const ProviderFileError& error) {
    // The same error, told in the window's words.
    const bool missing = error.kind() == ProviderFileError::Kind::NotFound;
    throw AppError(error.number(),
                   Utf8FromWide(texts::FormatText(missing ? texts::kPresetFileNotFound : texts::kPresetFileUnreadable,
                                                  {WideFromAnsi(error.fileName()), error.folder()})));
  }
}

void MainForm::UpdateForm() {
  SetProviderIndex(-1);
  for (ControlId id : {kUsername, kPopserver, kSmtpserver, kDominio}) SetTextOf(id, L"");
  for (ControlId id : {kPopserver, kSmtpserver, kBtnAggiungi, kBtnCancella, kDominio}) Enable(id, false);
  process_registry();
}

void MainForm::process_registry() {
  AccountListing listing = ReadAccountList();
  ArrayToListBox(control(kLista), listing.rows, true);
  accountKeyList_ = std::move(listing.keys);
}

void MainForm::SetProviderIndex(int index) {
  SendMessageW(control(kProvider), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  // Setting the selection by message raises no notification; the Click
  // handling runs here, at once, as for a choice of the user.
  OnProviderClick();
}

}  // namespace qb
