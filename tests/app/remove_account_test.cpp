// Removing the account of the selected row after a confirmation.
#include <algorithm>
#include <functional>

#include "accounts/account_layout.h"
#include "tests/support/form_fixture.h"
#include "tests/support/registry_helpers.h"

namespace qbtest {
namespace {

using namespace qb;

// Where a real message box with the program's text, type and owner lies, and
// whether it and its buttons are inside the screen (the monitor it is on).
struct BoxPlacement {
  bool shown = false;
  RECT box{};
  RECT screen{};
  std::vector<RECT> buttons;
};

BoxPlacement* g_placement = nullptr;

BOOL CALLBACK AddButtonRect(HWND child, LPARAM) {
  RECT r{};
  GetWindowRect(child, &r);
  wchar_t cls[16] = L"";
  GetClassNameW(child, cls, 16);
  if (lstrcmpiW(cls, L"Button") == 0) g_placement->buttons.push_back(r);
  return TRUE;
}

// Runs as the box is activated, laid out and placed: records it and answers No.
LRESULT CALLBACK RecordBox(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && g_placement && !g_placement->shown) {
    const HWND box = reinterpret_cast<HWND>(wParam);
    g_placement->shown = true;
    GetWindowRect(box, &g_placement->box);
    MONITORINFO monitor{sizeof(MONITORINFO), {}, {}, 0};
    GetMonitorInfoW(MonitorFromWindow(box, MONITOR_DEFAULTTONEAREST), &monitor);
    g_placement->screen = monitor.rcMonitor;
    EnumChildWindows(box, AddButtonRect, 0);
    PostMessageW(box, WM_COMMAND, IDNO, 0);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

BoxPlacement ShowRealBox(HWND owner, const ShownMessage& message) {
  BoxPlacement placement;
  g_placement = &placement;
  const HHOOK hook = SetWindowsHookExW(WH_CBT, RecordBox, nullptr, GetCurrentThreadId());
  MessageBoxW(owner, message.text.c_str(), message.title.c_str(), message.type);
  UnhookWindowsHookEx(hook);
  g_placement = nullptr;
  return placement;
}

bool Inside(const RECT& r, const RECT& screen) {
  return r.left >= screen.left && r.top >= screen.top && r.right <= screen.right && r.bottom <= screen.bottom;
}

class RemoveAccount : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    WriteAccounts();
    Start();
    ASSERT_EQ(form().accountKeyList(), (std::vector<std::wstring>{L"alpha", L"beta", L"gamma"}));
  }
  static void WriteAccounts() {
    WriteText(AccountKeyPath("alpha"), "SMTP Email Address", "same@example.com");
    WriteText(AccountKeyPath("beta"), "SMTP Email Address", "same@example.com");
    WriteText(AccountKeyPath("gamma"), "SMTP Email Address", "gamma@example.com");
    WriteText(AccountKeyPath("gamma"), "Other", "kept until the key goes");
    WriteText(kManagerKey, "Default Mail Account", "gamma");
  }
  // The account keys as a fresh refresh lists them.
  static std::vector<std::wstring> SubKeysWithAddress() {
    std::vector<std::wstring> keys;
    for (const std::string& key : SubKeys(kAccountsRoot))
      if (ReadRaw(AccountKeyPath(key), "SMTP Email Address").bytes.size() > 1) keys.emplace_back(key.begin(), key.end());
    return keys;
  }
};

TEST_F(RemoveAccount, YesDeletesOnlyTheSelectedRowsKey) {
  ClickRow(1);
  answers.push_back(IDYES);
  Focus(kBtnCancella);
  Press(kBtnCancella);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, L"Vuoi veramente cancellare l'indirizzo same@example.com?");
  EXPECT_EQ(messages[0].title, L"Cancella");
  EXPECT_EQ(messages[0].type, static_cast<UINT>(MB_YESNO));  // no icon, Yes is the default button
  EXPECT_EQ(SubKeys(kAccountsRoot), (std::vector<std::string>{"alpha", "gamma"}));
  EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"same@example.com", L"gamma@example.com (Default)"}));
  EXPECT_EQ(form().accountKeyList(), (std::vector<std::wstring>{L"alpha", L"gamma"}));
  EXPECT_EQ(Selected(kLista), -1);
  EXPECT_FALSE(Enabled(kBtnCancella));
  EXPECT_EQ(Selected(kProvider), -1);
  EXPECT_EQ(GetFocus(), Ctl(kLista));
}

TEST_F(RemoveAccount, NoChangesNothing) {
  ChooseProvider(0);
  Type(kUsername, L"typed");
  Focus(kLista);
  ClickRow(2);
  answers.push_back(IDNO);
  Press(kBtnCancella);
  EXPECT_EQ(messages.size(), 1u);
  EXPECT_EQ(SubKeys(kAccountsRoot).size(), 3u);
  EXPECT_EQ(Rows().size(), 3u);
  EXPECT_EQ(Selected(kLista), 2);
  EXPECT_TRUE(Enabled(kBtnCancella));
  EXPECT_EQ(Text(kUsername), L"typed");
  EXPECT_EQ(Selected(kProvider), 0);
}

TEST_F(RemoveAccount, RemovingTheDefaultLeavesNoMarkAndTheStaleDefaultValue) {
  ClickRow(2);
  answers.push_back(IDYES);
  Press(kBtnCancella);
  EXPECT_EQ(messages.at(0).text, L"Vuoi veramente cancellare l'indirizzo gamma@example.com (Default)?");
  EXPECT_FALSE(KeyExists(AccountKeyPath("gamma")));
  EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"same@example.com", L"same@example.com"}));
  EXPECT_TRUE(ReadRaw(kManagerKey, "Default Mail Account").exists);
}

TEST_F(RemoveAccount, AKeyAlreadyRemovedByAnotherProgramIsReportedAsAnOutdatedList) {
  ClickRow(0);
  DeleteTree(HKEY_CURRENT_USER, AccountKeyPath("alpha"));
  answers.push_back(IDYES);
  Press(kBtnCancella);
  // Nothing to delete: the list was out of date, which the user is told.
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_NE(messages[1].text.find(L"non era aggiornato"), std::wstring::npos) << messages[1].text;
  EXPECT_TRUE(fatalErrors.empty());
  EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"same@example.com", L"gamma@example.com (Default)"}));
  EXPECT_EQ(form().accountKeyList(), (std::vector<std::wstring>{L"beta", L"gamma"}));
}

// Between the last refresh and the answer "Yes", another program may change the
// registry. The key is deleted only while it holds the address its row shows.
TEST_F(RemoveAccount, AKeyChangedSinceTheRefreshIsDeletedOnlyWhileItHoldsTheRowsAddress) {
  struct Case {
    const char* what;
    int row;
    std::function<void()> change;
    bool deleted;
    const wchar_t* told;  // nullptr: nothing but the confirmation
  };
  const Case cases[] = {
      {"the key now holds another account", 0,
       [] { WriteText(AccountKeyPath("alpha"), "SMTP Email Address", "bruno@example.com"); }, false,
       L"non era aggiornato"},
      {"the address is emptied", 0, [] { WriteText(AccountKeyPath("alpha"), "SMTP Email Address", ""); }, false,
       L"non era aggiornato"},
      {"only the letter case changed", 0,
       [] { WriteText(AccountKeyPath("alpha"), "SMTP Email Address", "SAME@example.com"); }, false,
       L"non era aggiornato"},
      {"other values changed", 0, [] { WriteText(AccountKeyPath("alpha"), "Account Name", "renamed"); }, true, nullptr},
      {"the default moved away from the row", 2, [] { WriteText(kManagerKey, "Default Mail Account", "alpha"); }, true,
       nullptr},
      {"another program added a sub-key", 2, [] { CreateKey(AccountKeyPath("gamma\\Added")); }, false,
       L"Non è stato possibile cancellare l'indirizzo gamma@example.com (Default)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    messages.clear();
    const std::wstring key = form().accountKeyList().at(static_cast<std::size_t>(c.row));
    ClickRow(c.row);
    c.change();
    answers.push_back(IDYES);
    Press(kBtnCancella);
    EXPECT_EQ(KeyExists(AccountKeyPath(std::string(key.begin(), key.end()))), !c.deleted);  // ASCII names
    ASSERT_EQ(messages.size(), c.told ? 2u : 1u);
    if (c.told) {
      EXPECT_NE(messages[1].text.find(c.told), std::wstring::npos) << messages[1].text;
      EXPECT_EQ(messages[1].title, L"Configurazione Mail");
    }
    // The list was read again, before the message.
    EXPECT_EQ(form().accountKeyList(), SubKeysWithAddress()) << "no refresh";
    // Back to the state of SetUp for the next case.
    ClearScratchHkcu();
    WriteAccounts();
    form().UpdateForm();
  }
  EXPECT_TRUE(fatalErrors.empty());
}

TEST_F(RemoveAccount, WithNoRowSelectedNothingIsAskedOrDeleted) {
  EnableWindow(Ctl(kBtnCancella), TRUE);
  Press(kBtnCancella);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(SubKeys(kAccountsRoot).size(), 3u);
  EXPECT_FALSE(Enabled(kBtnCancella));
}

// Another program's account can hold an address thousands of characters long:
// the question, shown in a real message box, still fits on the screen with
// its buttons, and the whole address still decides what is deleted.
TEST_F(RemoveAccount, TheQuestionAboutAVeryLongAddressFitsOnTheScreen) {
  const std::string address = std::string(20000, 'k') + "@odd.it";
  WriteText(AccountKeyPath("delta"), "SMTP Email Address", address);
  form().UpdateForm();
  const auto& keys = form().accountKeyList();
  const int row = static_cast<int>(std::find(keys.begin(), keys.end(), L"delta") - keys.begin());
  ASSERT_LT(row, static_cast<int>(keys.size()));
  ClickRow(row);
  BoxPlacement placement;
  whenMessageShown = [&] { placement = ShowRealBox(form().hwnd(), messages.back()); };
  answers.push_back(IDYES);
  Focus(kBtnCancella);
  Press(kBtnCancella);
  ASSERT_TRUE(placement.shown);
  EXPECT_TRUE(Inside(placement.box, placement.screen))
      << placement.box.left << "," << placement.box.top << " - " << placement.box.right << ","
      << placement.box.bottom;
  ASSERT_EQ(placement.buttons.size(), 2u);  // Yes and No
  for (const RECT& button : placement.buttons) EXPECT_TRUE(Inside(button, placement.screen));
  EXPECT_EQ(messages[0].text.find(std::wstring(address.begin(), address.end())), std::wstring::npos);
  EXPECT_NE(messages[0].text.find(L"@odd.it?"), std::wstring::npos);
  EXPECT_FALSE(KeyExists(AccountKeyPath("delta")));  // the recorded answer was Yes
}

}  // namespace
}  // namespace qbtest
