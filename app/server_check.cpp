// The check of an account's mail servers from the window: after an add and on
// demand ("Verifica"), one at a time, its result in a message box.
#include "accounts/account_list.h"
#include "accounts/account_servers.h"
#include "app/main_form.h"
#include "app/text_convert.h"
#include "app/texts.h"

namespace qb {

void MainForm::OnCheckMenu() {
  const int index = ListaIndex();
  if (index < 0 || static_cast<std::size_t>(index) >= accountKeyList_.size()) {
    services_.messageBox(hwnd_, texts::kCheckSelectFirst, texts::kCheckTitle, MB_OK | MB_ICONINFORMATION);
    return;
  }
  StartCheck(accountKeyList_[static_cast<std::size_t>(index)], CheckOrigin::OnDemand);
}

void MainForm::StartCheck(const std::wstring& keyName, CheckOrigin origin) {
  DropCheck();  // a new check replaces the one that runs: its result is never shown
  checkedKey_ = keyName;
  checkedAddress_ = ReadAccountAddress(keyName).value_or(keyName);
  checkOrigin_ = origin;
  check_ = std::make_unique<mailcheck::MailCheck>(hwnd_, ReadAccountServers(keyName), checkLimits_,
                                                  services_.resolveName);
  if (check_->Finished()) OnCheckMessage(0, 0, 0);  // nothing to wait for
}

void MainForm::OnCheckMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!check_) {
    mailcheck::DiscardCheckMessage(msg, lParam);
    return;
  }
  if (msg != 0) check_->OnMessage(msg, wParam, lParam);
  if (!check_->Finished()) return;
  const std::vector<mailcheck::ServerResult> results = check_->results();
  DropCheck();
  bool problems = false;
  const std::optional<std::wstring> report = CheckReportText(checkedAddress_, results, checkOrigin_, problems);
  if (report)
    services_.messageBox(hwnd_, *report, texts::kCheckTitle, MB_OK | (problems ? MB_ICONWARNING : MB_ICONINFORMATION));
}

void MainForm::DropCheck() {
  check_.reset();
  checkedKey_.clear();
}

}  // namespace qb
