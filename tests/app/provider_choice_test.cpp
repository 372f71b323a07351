// The provider box: every way the user changes its selection (mouse, arrow
// keys, typing, Tab, Enter, Esc) applies the selected preset to the fields.
// The keys are real keyboard input (SendInput) through the program's event loop.
#include <string>
#include <vector>

#include "tests/support/form_fixture.h"

namespace qbtest {
namespace {

using namespace qb;

struct Preset {
  const wchar_t* name;
  const wchar_t* dominio;
  const wchar_t* popserver;
  const wchar_t* smtpserver;
  const wchar_t* label;
};

const Preset kPresets[] = {
    {L"Alpha", L"alpha.it", L"pop.alpha.it", L"smtp.alpha.it", L"POP3 Server:"},
    {L"Beta", L"beta.it", L"imap.beta.it", L"smtp.beta.it", L"IMAP Server:"},
    {L"Gamma", L"", L"", L"smtp.gamma.net", L"POP3 Server:"},
    {L"Bravo", L"bravo.it", L"imap.bravo.it", L"smtp.bravo.it", L"IMAP Server:"},
};

class ProviderChoice : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    Start(
        "Alpha;alpha.it;smtp.alpha.it;pop.alpha.it;POP3\n"
        "Beta;beta.it;smtp.beta.it;imap.beta.it;IMAP\n"
        "Gamma;;smtp.gamma.net;;pop3\n"
        "Bravo;bravo.it;smtp.bravo.it;imap.bravo.it;imap\n");
    SetForegroundWindow(form().hwnd());
    Pump();
  }

  bool Dropped() { return SendMessageW(Ctl(kProvider), CB_GETDROPPEDSTATE, 0, 0) != FALSE; }

  // The fields show the selected preset, and it is the one an add would use.
  // While the user types into the closed box, the box has no selection (and
  // shows what was typed): the fields keep the preset applied before.
  void ExpectFieldsFollowTheSelection(int expected, bool boxNamesThePreset = true) {
    EXPECT_EQ(Selected(kProvider), boxNamesThePreset ? expected : -1);
    EXPECT_EQ(form().AppliedPresetIndex(), expected);
    if (expected < 0) {
      for (ControlId id : {kDominio, kPopserver, kSmtpserver}) EXPECT_FALSE(Enabled(id)) << SpecOf(id).name;
      return;
    }
    const Preset& p = kPresets[expected];
    if (boxNamesThePreset) {
      EXPECT_EQ(Text(kProvider), p.name);
    }
    EXPECT_EQ(Text(kDominio), p.dominio);
    EXPECT_EQ(Text(kPopserver), p.popserver);
    EXPECT_EQ(Text(kSmtpserver), p.smtpserver);
    EXPECT_EQ(Text(kLabelInbound), p.label);
  }
};

TEST_F(ProviderChoice, LeavingTheOpenListWithTabAfterTypingAppliesTheTypedChoice) {
  ChooseProvider(1);  // Beta, IMAP
  Focus(kProvider);
  Keys({{VK_F4}});
  ASSERT_TRUE(Dropped());
  Keys({{'A'}, {VK_TAB}});
  ExpectFieldsFollowTheSelection(0);  // Alpha, POP3: no IMAP value is left behind
  EXPECT_EQ(GetFocus(), Ctl(kUsername));
  EXPECT_EQ(Text(kLabelInbound), L"POP3 Server:");
}

TEST_F(ProviderChoice, TheMouseChoiceAndRefreshesKeepTheAppliedPreset) {
  ChooseProvider(3);
  ExpectFieldsFollowTheSelection(3);
  ChooseProvider(-1);
  EXPECT_EQ(form().AppliedPresetIndex(), -1);
  ChooseProvider(2);
  form().UpdateForm();
  EXPECT_EQ(form().AppliedPresetIndex(), -1);
}

// The window keeps the release of Alt after Alt+Down from the menu (the
// end-to-end scenario shows it with X keys: through SendInput Wine does not
// enter menu mode there). Alt pressed alone still leads to the menu bar, as
// everywhere: Alt, then Right and Enter, chooses "Aiuto", the second item.
// (Sent at once: the menu's own loop reads the keys.)
TEST_F(ProviderChoice, AltAloneStillLeadsToTheMenuBar) {
  Focus(kProvider);
  Pump();
  INPUT keys[] = {KeyInput(VK_MENU, false),   KeyInput(VK_MENU, true),   KeyInput(VK_RIGHT, false),
                  KeyInput(VK_RIGHT, true),   KeyInput(VK_RETURN, false), KeyInput(VK_RETURN, true)};
  SendInput(6, keys, sizeof(INPUT));
  Pump();
  ASSERT_EQ(helpCalls.size(), 1u);
  EXPECT_EQ(helpCalls[0].command, 0x0000u);  // HH_DISPLAY_TOPIC: the menu's topic
  EXPECT_TRUE(messages.empty());
  ExpectFieldsFollowTheSelection(0);
}

struct KeyCase {
  const char* what;
  int start;                       // the preset applied before the keys
  std::vector<std::vector<WORD>> keys;
  int expected;                    // the preset the fields show afterwards
};

const std::vector<KeyCase> kKeyCases = {
    {"open list, type A, Tab", 1, {{VK_F4}, {'A'}, {VK_TAB}}, 0},
    {"open list, type A, Enter", 1, {{VK_F4}, {'A'}, {VK_RETURN}}, 0},
    {"open list, type A, Esc", 1, {{VK_F4}, {'A'}, {VK_ESCAPE}}, 0},
    {"open list with Alt+Down, type BR, Tab", 0, {{VK_MENU, VK_DOWN}, {'B'}, {'R'}, {VK_TAB}}, 3},
    {"open list, type Z (no item), Tab", 1, {{VK_F4}, {'Z'}, {VK_TAB}}, 1},
    {"closed list, Down", 1, {{VK_DOWN}}, 2},
    {"closed list, Up", 1, {{VK_UP}}, 0},
    {"closed list, Down, Down, Tab", 0, {{VK_DOWN}, {VK_DOWN}, {VK_TAB}}, 2},
    {"open list, Down, Down, Enter", 1, {{VK_F4}, {VK_DOWN}, {VK_DOWN}, {VK_RETURN}}, 3},
    {"open list, Down, Tab", 0, {{VK_F4}, {VK_DOWN}, {VK_TAB}}, 1},
    {"open list, Up, Esc", 2, {{VK_F4}, {VK_UP}, {VK_ESCAPE}}, 1},
    {"closed list, type br (the box drops its selection)", 0, {{'B'}, {'R'}}, 0},
    {"closed list, type br, Tab", 0, {{'B'}, {'R'}, {VK_TAB}}, 0},
    {"closed list, type Bravo, Tab", 0, {{VK_SHIFT, 'B'}, {'R'}, {'A'}, {'V'}, {'O'}, {VK_TAB}}, 3},
    {"closed list, type bravo (not the name), Tab", 2, {{'B'}, {'R'}, {'A'}, {'V'}, {'O'}, {VK_TAB}}, 2},
    {"closed list, type Beta, open and close the list", 0, {{VK_SHIFT, 'B'}, {'E'}, {'T'}, {'A'}, {VK_F4}, {VK_F4}}, 1},
};

TEST_F(ProviderChoice, EveryKeyboardChoiceAppliesTheSelectedPreset) {
  for (const KeyCase& c : kKeyCases) {
    SCOPED_TRACE(c.what);
    ChooseProvider(c.start);
    Focus(kProvider);
    SendMessageW(Ctl(kProvider), CB_SETEDITSEL, 0, MAKELPARAM(0, -1));  // typing replaces the name, as after Tab
    Pump();
    Keys(c.keys);
    // While the user is typing, the box shows what was typed; once the box
    // is left or its list closed, it names the applied preset.
    const WORD last = c.keys.back().back();
    ExpectFieldsFollowTheSelection(c.expected, last < 'A' || last > 'Z');
    EXPECT_FALSE(Dropped());
  }
}

}  // namespace
}  // namespace qbtest
