// Removing the account of the selected row after a confirmation.
#include "accounts/account_layout.h"
#include "tests/app/form_fixture.h"
#include "tests/support/scratch_registry.h"

namespace qbtest {
namespace {

using namespace qb;

const std::string kRoot = kAccountsRoot;

class RemoveAccount : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    WriteText(kRoot + "alpha", "SMTP Email Address", "same@example.com");
    WriteText(kRoot + "beta", "SMTP Email Address", "same@example.com");
    WriteText(kRoot + "gamma", "SMTP Email Address", "gamma@example.com");
    WriteText(kRoot + "gamma", "Other", "kept until the key goes");
    WriteText(kManagerKey, "Default Mail Account", "gamma");
    Start();
    ASSERT_EQ(form().accountKeyList(), (std::vector<std::string>{"alpha", "beta", "gamma"}));
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
  EXPECT_FALSE(KeyExists(kRoot + "gamma"));
  EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"same@example.com", L"same@example.com"}));
  EXPECT_TRUE(ReadRaw(kManagerKey, "Default Mail Account").exists);
}

TEST_F(RemoveAccount, AKeyAlreadyRemovedByAnotherProgramGivesNoMessage) {
  ClickRow(0);
  DeleteTree(HKEY_CURRENT_USER, kRoot + "alpha");
  answers.push_back(IDYES);
  Press(kBtnCancella);
  EXPECT_EQ(messages.size(), 1u);  // the confirmation only
  EXPECT_TRUE(fatalErrors.empty());
  EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"same@example.com", L"gamma@example.com (Default)"}));
  EXPECT_EQ(form().accountKeyList(), (std::vector<std::string>{"beta", "gamma"}));
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
