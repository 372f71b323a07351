// The rules that keep the fields and the two action buttons in step with the
// user's input, event by event.
#include "tests/support/form_fixture.h"
#include "tests/support/registry_helpers.h"

#include "accounts/account_layout.h"

namespace qbtest {
namespace {

using namespace qb;

class FieldRules : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    WriteText(AccountKeyPath("k1"), "SMTP Email Address", "anna@example.com");
    WriteText(AccountKeyPath("k2"), "SMTP Email Address", "bruno@example.com");
    Start(
        "Quillbeck;quillbeck.it;smtp.quillbeck.it;pop.quillbeck.it;POP3\n"
        "Quillbeck IMAP;imap.quillbeck.it;smtp.quillbeck.it;imap.quillbeck.it;imap\n"
        "Altro provider;;smtp.altro.net;;Pop3\n"
        "Senza server;nodo.it;;pop.nodo.it;POP3\n"
        "Strano;strano.it;s;p;\n");
  }
  void ExpectLocked(bool locked) {
    for (ControlId id : {kDominio, kPopserver, kSmtpserver}) EXPECT_EQ(Enabled(id), !locked) << SpecOf(id).name;
  }
};

TEST_F(FieldRules, ChoosingAPresetFillsTheFieldsRelabelsAndLocks) {
  ChooseProvider(1);
  EXPECT_EQ(Text(kDominio), L"imap.quillbeck.it");
  EXPECT_EQ(Text(kPopserver), L"imap.quillbeck.it");
  EXPECT_EQ(Text(kSmtpserver), L"smtp.quillbeck.it");
  EXPECT_EQ(Text(kLabelInbound), L"IMAP Server:");  // lower-case protocol shown upper-cased
  ExpectLocked(true);

  ChooseProvider(4);
  EXPECT_EQ(Text(kLabelInbound), L" Server:");  // an empty protocol
}

TEST_F(FieldRules, APresetWithoutDomainUnlocksTheFieldsAndCopiesItsServers) {
  ChooseProvider(2);
  EXPECT_EQ(Text(kDominio), L"");
  EXPECT_EQ(Text(kPopserver), L"");
  EXPECT_EQ(Text(kSmtpserver), L"smtp.altro.net");
  EXPECT_EQ(Text(kLabelInbound), L"POP3 Server:");
  ExpectLocked(false);
  Type(kUsername, L"mario");
  EXPECT_FALSE(Enabled(kBtnAggiungi));  // the domain and the incoming server are still empty
  Type(kDominio, L"altro.net");
  EXPECT_FALSE(Enabled(kBtnAggiungi));
  Type(kPopserver, L"pop.altro.net");
  EXPECT_TRUE(Enabled(kBtnAggiungi));
}

TEST_F(FieldRules, AnotherChoiceReplacesWhatWasTypedInTheUnlockedFields) {
  ChooseProvider(2);
  Type(kDominio, L"typed.it");
  Type(kPopserver, L"typed-pop");
  ChooseProvider(0);
  EXPECT_EQ(Text(kDominio), L"quillbeck.it");
  EXPECT_EQ(Text(kPopserver), L"pop.quillbeck.it");
  ExpectLocked(true);
}

TEST_F(FieldRules, ClearingTheSelectionLocksTheFieldsAndKeepsTheirTexts) {
  ChooseProvider(1);
  ChooseProvider(-1);
  ExpectLocked(true);
  EXPECT_EQ(Text(kDominio), L"imap.quillbeck.it");
  EXPECT_EQ(Text(kLabelInbound), L"IMAP Server:");
  ChooseProvider(2);
  ChooseProvider(-1);
  ExpectLocked(true);
}

TEST_F(FieldRules, AddIsEnabledExactlyWhenTheFourFieldsAreFilled) {
  ChooseProvider(2);
  EXPECT_FALSE(Enabled(kBtnAggiungi));
  Type(kUsername, L" ");  // a single space counts as filled
  Type(kDominio, L"d");
  Type(kPopserver, L"p");
  EXPECT_TRUE(Enabled(kBtnAggiungi));
  EXPECT_EQ(Text(kNome), L"");  // the display name is not required
  for (ControlId id : {kUsername, kDominio, kPopserver, kSmtpserver}) {
    SCOPED_TRACE(SpecOf(id).name);
    const std::wstring before = Text(id);
    Type(id, L"");
    EXPECT_FALSE(Enabled(kBtnAggiungi));
    Type(id, before);
    EXPECT_TRUE(Enabled(kBtnAggiungi));
  }
  Type(kNome, L"x");
  Type(kNome, L"");
  EXPECT_TRUE(Enabled(kBtnAggiungi));
}

TEST_F(FieldRules, APresetWithAnEmptyServerNeverAllowsAdding) {
  ChooseProvider(3);
  EXPECT_EQ(Text(kSmtpserver), L"");
  ExpectLocked(true);
  Type(kUsername, L"mario");
  EXPECT_FALSE(Enabled(kBtnAggiungi));
}

TEST_F(FieldRules, ALockedPresetEnablesAddAsSoonAsAUserNameIsTyped) {
  ChooseProvider(0);
  EXPECT_FALSE(Enabled(kBtnAggiungi));
  Type(kUsername, L"m");
  EXPECT_TRUE(Enabled(kBtnAggiungi));
}

TEST_F(FieldRules, ChoosingAPresetRunsTheAddRuleAfterEachField) {
  Type(kUsername, L"mario");
  ChooseProvider(0);
  EXPECT_TRUE(Enabled(kBtnAggiungi));
  ChooseProvider(3);  // its SMTP server is empty
  EXPECT_FALSE(Enabled(kBtnAggiungi));
}

TEST_F(FieldRules, AClickOnARowEnablesRemoveUntilAnEntryControlTakesTheFocus) {
  EXPECT_FALSE(Enabled(kBtnCancella));
  for (ControlId id : {kBtnAggiungi, kDominio, kNome, kPopserver, kProvider, kSmtpserver, kUsername}) {
    SCOPED_TRACE(SpecOf(id).name);
    EnableWindow(Ctl(id), TRUE);
    Focus(kLista);
    ClickRow(1);
    EXPECT_EQ(Selected(kLista), 1);
    EXPECT_TRUE(Enabled(kBtnCancella));
    Focus(id);
    EXPECT_FALSE(Enabled(kBtnCancella));
  }
}

TEST_F(FieldRules, TheFocusOnListaRemoveOrChiudiLeavesRemoveAsItIs) {
  ClickRow(0);
  Focus(kBtnCancella);
  EXPECT_TRUE(Enabled(kBtnCancella));
  Focus(kBtnChiudi);
  EXPECT_TRUE(Enabled(kBtnCancella));
  Focus(kLista);
  EXPECT_TRUE(Enabled(kBtnCancella));

  Focus(kUsername);
  ASSERT_FALSE(Enabled(kBtnCancella));
  Focus(kLista);  // by the keyboard: no click, no selection change
  EXPECT_FALSE(Enabled(kBtnCancella));
}

// The same with real Tab keys through the dialog manager, the way a user
// moves: Shift+Tab from the list reaches "Chiudi" (the last in the Tab order),
// Tab goes on to the list; neither step changes "Rimuovi indirizzo".
TEST_F(FieldRules, TabbingToChiudiAndToTheListLeavesRemoveAsItIs) {
  SetForegroundWindow(form().hwnd());
  Pump();
  struct Step {
    std::vector<std::vector<WORD>> keys;
    ControlId focus;
  };
  const Step steps[] = {
      {{{VK_SHIFT, VK_TAB}}, kBtnChiudi},
      {{{VK_TAB}}, kLista},
  };
  for (bool enabled : {true, false}) {
    SCOPED_TRACE(enabled ? "after a click on a row" : "after the focus rule");
    Focus(kLista);
    ClickRow(0);
    if (!enabled) Focus(kUsername), Focus(kLista);
    Pump();
    ASSERT_EQ(Enabled(kBtnCancella), enabled);
    for (const Step& step : steps) {
      Keys(step.keys);
      ASSERT_EQ(GetFocus(), Ctl(step.focus)) << SpecOf(step.focus).name;
      EXPECT_EQ(Enabled(kBtnCancella), enabled) << SpecOf(step.focus).name;
    }
    EXPECT_EQ(Selected(kLista), 0);
  }
}

TEST_F(FieldRules, AClickOnTheAlreadySelectedRowEnablesRemoveAgain) {
  ClickRow(0);
  Focus(kUsername);
  ASSERT_FALSE(Enabled(kBtnCancella));
  Focus(kLista);
  ClickRow(0);
  EXPECT_EQ(Selected(kLista), 0);
  EXPECT_TRUE(Enabled(kBtnCancella));
}

TEST_F(FieldRules, AListClickThatLeavesNoRowSelectedOffersNothingToRemove) {
  SendMessageW(Ctl(kLista), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  SendMessageW(form().hwnd(), WM_COMMAND, MAKEWPARAM(kLista, LBN_SELCHANGE), reinterpret_cast<LPARAM>(Ctl(kLista)));
  EXPECT_FALSE(Enabled(kBtnCancella));
}

// Typing into the closed provider box: the fields keep the preset chosen last,
// with what the user typed into them, until the box is left.
class ProviderBoxTyping : public FieldRules {
 protected:
  HWND Edit() { return FindWindowExW(Ctl(kProvider), nullptr, L"Edit", nullptr); }
  void TypeIntoTheBox(const std::wstring& text) {
    SetFocus(Edit());
    SendMessageW(Edit(), EM_SETSEL, 0, -1);
    for (wchar_t c : text) SendMessageW(Edit(), WM_CHAR, c, 1);
  }
  // "Altro provider" (no domain) applied, the unlocked fields typed into.
  void TypeAnAccountOfTheUnlockedPreset() {
    ChooseProvider(2);
    Type(kUsername, L"mario");
    Type(kDominio, L"typed.it");
    Type(kPopserver, L"pop.typed.it");
    ASSERT_TRUE(Enabled(kBtnAggiungi));
  }
  void ExpectTheTypedAccountOfTheUnlockedPreset() {
    EXPECT_EQ(form().AppliedPresetIndex(), 2);
    EXPECT_EQ(Text(kDominio), L"typed.it");
    EXPECT_EQ(Text(kPopserver), L"pop.typed.it");
    EXPECT_EQ(Text(kSmtpserver), L"smtp.altro.net");
    EXPECT_EQ(Text(kLabelInbound), L"POP3 Server:");
    ExpectLocked(false);
    EXPECT_TRUE(Enabled(kBtnAggiungi));
  }
};

TEST_F(ProviderBoxTyping, RunsNoRule) {
  TypeAnAccountOfTheUnlockedPreset();
  for (const wchar_t* typed : {L"x", L"xyz", L"Quillbeck", L""}) {
    SCOPED_TRACE(typed);
    TypeIntoTheBox(typed);
    ExpectTheTypedAccountOfTheUnlockedPreset();
  }
  ASSERT_NE(Edit(), nullptr);
}

TEST_F(ProviderBoxTyping, LeavingTheBoxPutsBackTheNameOfThePresetTheFieldsShow) {
  TypeAnAccountOfTheUnlockedPreset();
  for (const wchar_t* typed : {L"xyz", L"Quillbeck IM", L"quillbeck imap", L"Altro provider ", L""}) {
    SCOPED_TRACE(typed);
    TypeIntoTheBox(typed);
    Focus(kNome);
    EXPECT_EQ(Text(kProvider), L"Altro provider");
    EXPECT_EQ(Selected(kProvider), 2);
    ExpectTheTypedAccountOfTheUnlockedPreset();
  }
  // The box's own name, typed again, changes nothing either.
  TypeIntoTheBox(L"Altro provider");
  Focus(kNome);
  ExpectTheTypedAccountOfTheUnlockedPreset();
}

TEST_F(ProviderBoxTyping, AnExactNameChoosesItsPresetWhenTheBoxIsLeft) {
  TypeAnAccountOfTheUnlockedPreset();
  TypeIntoTheBox(L"Quillbeck IMAP");
  ExpectTheTypedAccountOfTheUnlockedPreset();  // not while typing
  Focus(kUsername);
  EXPECT_EQ(form().AppliedPresetIndex(), 1);
  EXPECT_EQ(Selected(kProvider), 1);
  EXPECT_EQ(Text(kDominio), L"imap.quillbeck.it");
  EXPECT_EQ(Text(kPopserver), L"imap.quillbeck.it");
  EXPECT_EQ(Text(kLabelInbound), L"IMAP Server:");
  ExpectLocked(true);
}

TEST_F(ProviderBoxTyping, AnAddWhileTheBoxHoldsTypedTextWritesThePresetTheFieldsShow) {
  TypeAnAccountOfTheUnlockedPreset();
  TypeIntoTheBox(L"Quillbeck IMAP");
  Press(kBtnAggiungi);  // by message: the box keeps the focus and its text
  const std::string key = AccountKeyPath("(KX) mario@typed.it");
  EXPECT_TRUE(ReadRaw(key, "POP3 Server").exists);
  EXPECT_EQ(ReadRaw(key, "POP3 Server").bytes, Bytes(std::string("pop.typed.it") + '\0'));
  EXPECT_FALSE(ReadRaw(key, "IMAP Server").exists);
  EXPECT_TRUE(messages.empty());
}

TEST_F(FieldRules, TheLabelKeepsTheLastProtocolAcrossRefreshes) {
  ChooseProvider(1);
  form().UpdateForm();
  EXPECT_EQ(Text(kLabelInbound), L"IMAP Server:");
  ChooseProvider(2);
  form().UpdateForm();
  EXPECT_EQ(Text(kLabelInbound), L"POP3 Server:");
}

}  // namespace
}  // namespace qbtest
