// Adding and removing accounts, and closing the window.
#include <algorithm>
#include <iterator>
#include <string_view>

#include "accounts/account_layout.h"
#include "accounts/account_list.h"
#include "app/field_checks.h"
#include "app/main_form.h"
#include "app/text_convert.h"
#include "app/texts.h"
#include "core/characters.h"

namespace qb {

using texts::ShownInMessage;

namespace {

// The fields an add sends to the registry, in the window's order, each with the
// label before it.
struct AccountField {
  ControlId field;
  ControlId label;
};
constexpr AccountField kAccountFields[] = {
    {kUsername, kLabel3}, {kDominio, kLabel10}, {kPopserver, kLabelInbound}, {kSmtpserver, kLabel5}, {kNome, kLabel6}};

// The field's name as the user sees it: its label's caption (the inbound
// server's follows the protocol) without the colon.
std::wstring FieldName(const MainForm& form, const AccountField& field) {
  if (field.field == kDominio) return texts::kDominioFieldName;  // its label is the "@"
  std::wstring name = WindowTextOf(form.control(field.label));
  if (!name.empty() && name.back() == L':') name.pop_back();
  return name;
}

// The fields in the ANSI code page, each converted once. A field holding
// characters the code page cannot hold (the registry would receive others in
// their place) adds a line naming them to `outside`, and nothing is returned.
std::optional<AccountInput> AccountInputInAnsi(const MainForm& form, std::wstring& outside) {
  std::string ansi[std::size(kAccountFields)];
  for (std::size_t i = 0; i < std::size(kAccountFields); ++i) {
    const std::wstring text = WindowTextOf(form.control(kAccountFields[i].field));
    if (std::optional<std::string> exact = ExactAnsiFromWide(text)) {
      ansi[i] = std::move(*exact);
      continue;
    }
    outside += texts::FormatText(texts::kFieldOutsideAnsi,
                                 {FieldName(form, kAccountFields[i]), CharactersOutsideAnsiListed(text)});
  }
  if (!outside.empty()) return std::nullopt;
  // kAccountFields' order: username, dominio, popserver, smtpserver, nome.
  return AccountInput{.userName = ansi[0], .domain = ansi[1], .displayName = ansi[4], .smtpServer = ansi[3],
                      .incomingServer = ansi[2]};
}

// What is wrong with the fields a preset filled and locked, one kListItem
// each; empty when nothing is.
std::wstring LockedFieldProblems(const MainForm& form) {
  // kAccountFields 1 to 3: dominio, popserver, smtpserver.
  auto fieldOf = [](LockedField field) -> const AccountField& {
    return kAccountFields[field == LockedField::Domain ? 1 : field == LockedField::IncomingServer ? 2 : 3];
  };
  auto textOf = [&](LockedField field) { return WindowTextOf(form.control(fieldOf(field).field)); };
  std::wstring problems;
  for (const std::wstring& fault :
       LockedFieldFaults(textOf(LockedField::Domain), textOf(LockedField::IncomingServer),
                         textOf(LockedField::SmtpServer),
                         [&](LockedField field) { return FieldName(form, fieldOf(field)); }))
    problems += texts::FormatText(texts::kListItem, {fault});
  return problems;
}

// The names of the fields holding a control character, one kListItem each:
// pasting brings tabs and line breaks that no account takes.
std::wstring FieldsWithControlCharacters(const MainForm& form) {
  std::wstring fields;
  for (const AccountField& field : kAccountFields)
    if (ContainsControlCharacter(WindowTextOf(form.control(field.field))))
      fields += texts::FormatText(texts::kListItem, {FieldName(form, field)});
  return fields;
}

// People type their whole address as the user name, or the "@" with the domain;
// the add would make "mario@provider.it@provider.it" or "gino@@libero.it".
// Empty when neither field has an "@".
std::wstring AtProblem(const MainForm& form) {
  const std::wstring user = WindowTextOf(form.control(kUsername));
  const std::size_t at = user.find(L'@');
  if (at != std::wstring::npos) {
    const std::wstring example =
        at == 0 ? std::wstring() : texts::FormatText(texts::kUserNameExample, {ShownInMessage(user.substr(0, at))});
    return texts::FormatText(texts::kUserNameWithAt, {example});
  }
  const std::wstring domain = WindowTextOf(form.control(kDominio));
  if (DomainHoldsAt(domain)) return texts::FormatText(texts::kDomainWithAt, {ShownInMessage(domain)});
  return {};
}

std::wstring NameList(const std::vector<std::string>& names) {
  std::wstring list;
  for (const std::string& name : names) list += texts::FormatText(texts::kListItem, {WideFromAnsi(name)});
  return list;
}

// What an add that went through could not do; empty when it did everything.
std::wstring IncompleteAddReport(const AccountWriteResult& written) {
  const std::wstring address = ShownInMessage(WideFromAnsi(written.address));
  std::wstring report;
  if (written.WroteNothing())
    report = texts::FormatText(texts::kNotAddedOrUpdated, {address});
  else if (!written.failedValues.empty())
    report = texts::FormatText(texts::kAddedIncompletely, {address, NameList(written.failedValues)});
  if (!written.unremovedValues.empty()) {
    const std::wstring left = NameList(written.unremovedValues);
    report += report.empty() ? texts::FormatText(texts::kSettingsNotRemoved, {address, left})
                             : texts::FormatText(texts::kAlsoSettingsNotRemoved, {left});
  }
  return report;
}

IncomingProtocol IncomingProtocolOf(const std::string& protocol) {
  switch (ProtocolOf(protocol)) {
    case PresetProtocol::Pop3: return IncomingProtocol::Pop3;
    case PresetProtocol::Imap: return IncomingProtocol::Imap;
    case PresetProtocol::Other: return IncomingProtocol::Other;
  }
  return IncomingProtocol::Other;
}

std::wstring ListaRowText(HWND lista, int index) {
  std::wstring row(static_cast<std::size_t>(SendMessageW(lista, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0)) + 1,
                   L'\0');
  row.resize(static_cast<std::size_t>(
      SendMessageW(lista, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(row.data()))));
  return row;
}

// Whether the row (with or without the default mark) shows this address. The
// list received the address up to its first NUL.
bool RowShowsAddress(const std::wstring& row, const std::wstring& address) {
  const std::wstring shown(address.c_str());
  return row == shown || row == shown + WideFromAnsi(kDefaultMarker);
}

enum class Removal { Done, OutOfDate, Refused };

// Deletes the account key only while it still holds the address its row shows:
// another program may have given the key to another account since the list was read.
Removal RemoveAccountShown(const std::wstring& keyName, const std::wstring& row) {
  const std::optional<std::wstring> address = ReadAccountAddress(keyName);
  if (!address || !RowShowsAddress(row, *address)) return Removal::OutOfDate;
  switch (DeleteAccountKey(keyName)) {
    case KeyDeletion::Deleted: return Removal::Done;
    case KeyDeletion::Missing: return Removal::OutOfDate;
    case KeyDeletion::Refused: return Removal::Refused;
  }
  return Removal::Refused;
}

}  // namespace

std::optional<AccountWriteResult> MainForm::Add_Account() {
  // The preset whose values the fields show, which is what the user sees:
  // the box's selection can move without applying (typing in its open list).
  const int index = AppliedPresetIndex();
  if (index < 0 || static_cast<std::size_t>(index) >= catalogue_.size()) {
    // No preset applied since the last refresh: without a preset there is no
    // protocol, and half an account must never be written.
    Tell(texts::kChooseProviderFirst, MB_ICONWARNING);
    return std::nullopt;
  }
  const ProviderEntry preset = catalogue_[static_cast<std::size_t>(index)];
  if (!preset.domain.empty()) {
    // Fields the preset filled and locked: the user cannot correct them.
    if (const std::wstring problems = LockedFieldProblems(*this); !problems.empty()) {
      Tell(texts::FormatText(texts::kPresetFieldsWrong, {ShownInMessage(WideFromUtf8(preset.name)), problems}),
           MB_ICONWARNING);
      return std::nullopt;
    }
  }
  const std::wstring controlFields = FieldsWithControlCharacters(*this);
  if (!controlFields.empty()) {
    Tell(texts::FormatText(texts::kFieldsWithControlCharacters, {controlFields}), MB_ICONWARNING);
    return std::nullopt;
  }
  if (const std::wstring problem = AtProblem(*this); !problem.empty()) {
    Tell(problem, MB_ICONWARNING);
    return std::nullopt;
  }
  // A character the code page lacks would reach the registry as "?" or as a
  // look-alike, and two people's addresses could meet in one key.
  std::wstring outside;
  const std::optional<AccountInput> converted = AccountInputInAnsi(*this, outside);
  if (!converted) {
    Tell(texts::FormatText(texts::kFieldsOutsideAnsi, {outside}), MB_ICONWARNING);
    return std::nullopt;
  }
  const AccountInput& input = *converted;
  const std::string address = AccountAddress(input.userName, input.domain);
  switch (CheckAccountAddress(address)) {
    case AddressProblem::Backslash:
      Tell(texts::FormatText(texts::kAddressWithBackslash, {ShownInMessage(WideFromAnsi(address))}), MB_ICONWARNING);
      return std::nullopt;
    case AddressProblem::TooLong:
      Tell(texts::FormatText(texts::kAddressTooLong, {std::to_wstring(MaxAccountAddressLength() - 1)}),
           MB_ICONWARNING);
      return std::nullopt;
    case AddressProblem::None:
      break;
  }
  // The one look through the accounts of this add: the question and the writer share it.
  const AddressInUse inUse = FindAddressInUse(address);
  if (!ConfirmAddressInUse(address, inUse, preset)) return std::nullopt;
  // A held name the code page cannot hold is reached by the address's own name
  // all the same (the registry ignores letter case); only the default then differs.
  const std::optional<std::string> heldKeyName = inUse.ownKey ? ExactAnsiFromWide(*inUse.ownKey) : std::nullopt;
  return WriteAccount(input, IncomingProtocolOf(preset.incomingProtocol), index == 0, preset.settings,
                      heldKeyName);
}

void MainForm::OnAddClick() {
  const auto written = Add_Account();
  if (!written) return;  // what the user typed stays in the fields
  UpdateForm();
  KeepKeyboardFocus(kProvider);  // the next account starts with a provider
  if (const std::wstring report = IncompleteAddReport(*written); !report.empty()) Tell(report, MB_ICONWARNING);
  StartCheck(WideFromAnsi(written->keyName), CheckOrigin::AfterAdd);  // will the account work?
}

bool MainForm::ConfirmAddressInUse(const std::string& address, const AddressInUse& inUse,
                                   const ProviderEntry& preset) {
  if (!inUse.any()) return true;
  const std::wstring shown = ShownInMessage(WideFromAnsi(address));
  // The account's own key is updated; another program's account stays as it is
  // and the add makes one more account of the same address.
  const std::wstring question =
      inUse.ownKey ? texts::FormatText(texts::kAddressAlreadySetUp, {shown, ShownInMessage(WideFromUtf8(preset.name))})
                   : texts::FormatText(texts::kAddressInOtherAccount, {shown});
  // No is the default: an add the user repeats by mistake changes nothing.
  return services_.messageBox(hwnd_, question, texts::kWindowTitle, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) ==
         IDYES;
}

void MainForm::OnRemoveClick() {
  const int index = ListaIndex();
  if (index < 0 || static_cast<std::size_t>(index) >= accountKeyList_.size()) {
    Enable(kBtnCancella, false);  // no row, nothing to remove
    return;
  }
  const std::wstring row = ListaRowText(control(kLista), index);
  const int answer = services_.messageBox(hwnd_, texts::FormatText(texts::kConfirmRemoval, {ShownInMessage(row)}),
                                          texts::kConfirmRemovalTitle, MB_YESNO | MB_DEFBUTTON1);
  if (answer != IDYES) return;
  Removal removal = Removal::Done;
  const int selected = ListaIndex();
  if (selected >= 0 && static_cast<std::size_t>(selected) < accountKeyList_.size()) {
    const std::wstring keyName = accountKeyList_[static_cast<std::size_t>(selected)];
    removal = RemoveAccountShown(keyName, ListaRowText(control(kLista), selected));
    if (removal == Removal::Done && check_ && SameIgnoringCase(checkedKey_, keyName)) DropCheck();
  }
  UpdateForm();
  KeepKeyboardFocus(kLista);
  if (removal == Removal::OutOfDate)
    Tell(texts::FormatText(texts::kRemovalOutOfDate, {ShownInMessage(row)}), MB_ICONWARNING);
  else if (removal == Removal::Refused)
    Tell(texts::FormatText(texts::kRemovalRefused, {ShownInMessage(row)}), MB_ICONWARNING);
}

void MainForm::OnCloseClick() { DestroyWindow(hwnd_); }

void MainForm::KeepKeyboardFocus(ControlId next) {
  // The refresh disables the button that was just pressed, which drops the
  // keyboard focus; it goes where the user goes on from here.
  HWND focus = GetFocus();
  if (!focus || !IsWindowEnabled(focus)) SetFocus(control(next));
}

void MainForm::Tell(const std::wstring& text, UINT icon) {
  services_.messageBox(hwnd_, text, texts::kWindowTitle, MB_OK | icon);
}

}  // namespace qb
