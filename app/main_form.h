#pragma once
// MainForm: the program's one window. It owns the provider catalogue (loaded
// once at start-up) and the AccountKeyList (rebuilt by every UpdateForm), and
// runs every rule of the window in its event handlers on the one UI thread.
#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/app_error.h"
#include "core/handles.h"
#include "app/layout.h"
#include "app/subclassed_control.h"
#include "app/tooltips.h"
#include "app/window_utils.h"
#include "accounts/account_list.h"
#include "accounts/account_writer.h"
#include "app/check_report.h"
#include "catalogue/provider_catalogue.h"
#include "mailcheck/mail_check.h"

namespace qb {

class MainForm {
 public:
  // What the window does with the outside world, replaceable by tests.
  struct Services {
    // Shows a modal message box; returns the answer (IDYES, IDNO, IDOK, ...).
    std::function<int(HWND owner, const std::wstring& text, const std::wstring& title, UINT type)> messageBox;
    // Opens the help file (HtmlHelpW semantics: for HH_DISPLAY_TOPIC, data is a wide topic text).
    std::function<void(HWND owner, const std::wstring& file, UINT command, DWORD_PTR data)> help;
    // Reports an error that no handler caught and ends the program.
    std::function<void(HWND owner, const AppError& error)> fatal;
    // The window was destroyed: the program ends.
    std::function<void()> ended;
    // Resolves a mail server's name for the check; runs on a helper thread.
    mailcheck::NameResolver resolveName;
  };
  static Services DefaultServices();

  explicit MainForm(HINSTANCE instance, Services services = DefaultServices());
  ~MainForm();
  MainForm(const MainForm&) = delete;
  MainForm& operator=(const MainForm&) = delete;

  // The start-up sequence: creates the window, makes it topmost and shows it,
  // loads the presets, fills the provider box, refreshes, selects the first
  // preset. An error is reported through Services::fatal.
  void Startup();

  HWND hwnd() const { return hwnd_; }
  HWND tooltip() const { return tooltips_.hwnd(); }
  HWND control(ControlId id) const;
  const ProviderCatalogue& catalogue() const { return catalogue_; }
  const std::vector<std::wstring>& accountKeyList() const { return accountKeyList_; }
  const std::wstring& helpFilePath() const { return helpFilePath_; }

  // Operations of the window.
  void UpdateForm();
  void process_registry();
  void Array_Initialize();
  void Check_Form();
  // Sets the provider selection (-1: none) and runs its Click handling, as a
  // selection made by the user would.
  void SetProviderIndex(int index);
  // The preset whose values the fields were last given (-1: none since the
  // last refresh); an account is added from this preset.
  int AppliedPresetIndex() const { return appliedPreset_; }

  // Handles one message of the event loop: the dialog manager's keys (Tab
  // through the controls), then the window's own. F1 needs nothing here: the
  // system turns it into WM_HELP.
  void DispatchLoopMessage(MSG& msg);

  // The window procedure's dispatch, also driven directly by tests.
  void OnCommand(int id, int code, HWND source);

  // The check of an account's mail servers: whether one runs, and its time
  // limits (tests shorten them).
  bool CheckRunning() const { return check_ != nullptr; }
  void SetCheckLimits(const mailcheck::Limits& limits) { checkLimits_ = limits; }

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  // The procedures of the two subclassed controls; the context is the MainForm.
  static LRESULT ListaProc(void* context, const SubclassedControl& lista, HWND hwnd, UINT msg, WPARAM wParam,
                           LPARAM lParam) noexcept;
  static LRESULT ProviderProc(void* context, const SubclassedControl& provider, HWND hwnd, UINT msg, WPARAM wParam,
                              LPARAM lParam) noexcept;
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  // Whether the message releases an Alt key that was held with another key
  // (the loop does not dispatch it, see main_form.cpp).
  bool IsReleaseOfAltChord(const MSG& msg);
  // Runs a handler so that no error crosses a window procedure: what it did
  // not catch is reported as fatal. A template rather than a std::function,
  // which would allocate for every message.
  template <typename Handler>
  void Guarded(Handler&& handler) {
    try {
      handler();
    } catch (...) {
      ReportUncaught();
    }
  }
  // Inside a catch block: reports the error being handled as fatal.
  void ReportUncaught();

  // Creates the window; its creation (WM_CREATE) creates the controls and
  // runs the load handler.
  void CreateMainWindow();
  // The load handler: it sets the help file path, and nothing else.
  void SetHelpFilePath();
  void CreateControls();
  void FitComboHeight(HWND combo, int height);

  // Handlers.
  void OnProviderClick();
  // The provider box's list closed or the box lost the focus.
  void OnProviderSelectionEnd();
  // The preset of exactly this name; -1 when none or several have it.
  int PresetNamed(const std::wstring& name) const;
  void ReportPresetProblems();
  void OnFocusRule();
  void OnListaClick();
  void OnAddClick();
  void OnRemoveClick();
  void OnCloseClick();
  void OnHelpMenu();
  void OnCheckMenu();

  // Starts checking the servers of this account key, replacing a check that runs.
  void StartCheck(const std::wstring& keyName, CheckOrigin origin);
  void OnCheckMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  // Abandons the running check without a word.
  void DropCheck();
  void OnHelpKey(const HELPINFO& info);

  // Adds the account from the fields; nullopt when nothing was written.
  std::optional<AccountWriteResult> Add_Account();
  // Asks whether to go on when the address is set up already; true: go on.
  bool ConfirmAddressInUse(const std::string& address, const AddressInUse& inUse, const ProviderEntry& preset);
  void KeepKeyboardFocus(ControlId next);

  int ProviderIndex() const;
  int ListaIndex() const;
  void SetTextOf(ControlId id, const std::wstring& text);
  void Enable(ControlId id, bool enabled);
  void Tell(const std::wstring& text, UINT icon);

  HINSTANCE instance_;
  Services services_;
  HWND hwnd_ = nullptr;
  // A control's place in controls_ and in the layout table.
  static std::size_t Slot(ControlId id);
  std::array<HWND, kLayout.size()> controls_{};
  Tooltips tooltips_;
  // The list and the provider box relay the mouse to the tooltip themselves
  // (see Tooltips::Create); the list also reports a click on its selected row.
  SubclassedControl subclassedLista_;
  SubclassedControl subclassedProvider_;
  FontHandle font_;
  FontHandle bigFont_;
  HWND lastFocus_ = nullptr;
  bool altChord_ = false;  // a key other than Alt went down while Alt was held
  std::wstring helpFilePath_;
  ProviderCatalogue catalogue_;
  std::vector<std::wstring> accountKeyList_;
  int appliedPreset_ = -1;
  std::unique_ptr<mailcheck::MailCheck> check_;
  std::wstring checkedKey_;
  std::wstring checkedAddress_;
  CheckOrigin checkOrigin_ = CheckOrigin::AfterAdd;
  mailcheck::Limits checkLimits_;
};

}  // namespace qb
