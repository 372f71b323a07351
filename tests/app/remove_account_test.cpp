// Removing the account of the selected row after a confirmation.
#include <functional>

#include "accounts/account_layout.h"
#include "tests/app/form_fixture.h"
#include "tests/support/registry_helpers.h"

namespace qbtest {
namespace {

using namespace qb;

class RemoveAccount : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    WriteAccounts();
    Start();
    ASSERT_EQ(form().accountKeyList(), (std::vector<std::string>{"alpha", "beta", "gamma"}));
  }
  static void WriteAccounts() {
    WriteText(AccountKeyPath("alpha"), "SMTP Email Address", "same@example.com");
    WriteText(AccountKeyPath("beta"), "SMTP Email Address", "same@example.com");
    WriteText(AccountKeyPath("gamma"), "SMTP Email Address", "gamma@example.com");
    WriteText(AccountKeyPath("gamma"), "Other", "kept until the key goes");
    WriteText(kManagerKey, "Default Mail Account", "gamma");
  }
  // The account keys as a fresh refresh lists them.
  static std::vector<std::string> SubKeysWithAddress() {
    std::vector<std::string> keys;
    for (const std::string& key : SubKeys(kAccountsRoot))
      if (ReadRaw(AccountKeyPath(key), "SMTP Email Address").bytes.size() > 1) keys.push_back(key);
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
  EXPECT_EQ(form().accountKeyList(), (std::vector<std::string>{"alpha", "gamma"}));
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
  EXPECT_EQ(form().accountKeyList(), (std::vector<std::string>{"beta", "gamma"}));
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
    const std::string key = form().accountKeyList().at(static_cast<std::size_t>(c.row));
    ClickRow(c.row);
    c.change();
    answers.push_back(IDYES);
    Press(kBtnCancella);
    EXPECT_EQ(KeyExists(AccountKeyPath(key)), !c.deleted);
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

}  // namespace
}  // namespace qbtest
