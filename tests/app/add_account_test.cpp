// Adding an account from the window: the values written, the default rule, the
// window afterwards, and the inputs that must never leave half an account.
#include <algorithm>
#include <source_location>

#include "accounts/account_layout.h"
#include "tests/support/form_fixture.h"
#include "tests/support/registry_helpers.h"

namespace qbtest {
namespace {

using namespace qb;

const std::vector<std::string> kCommon = {"Account Name", "Connection type", "SMTP Display Name", "SMTP Email Address",
                                          "SMTP Server"};
const std::vector<std::string> kPop3 = {"POP3 Prompt for Password", "POP3 Server", "POP3 Use Sicily",
                                        "POP3 User Name"};
const std::vector<std::string> kImap = {"IMAP Prompt for Password", "IMAP Server", "IMAP User Name"};

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The names of a key's values, sorted: the registry does not keep the order of writing.
std::vector<std::string> SortedValueNames(const std::string& key) {
  auto names = ValueNames(key);
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> Sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

void ExpectText(const std::string& key, const std::string& value, const std::string& text,
                std::source_location where = std::source_location::current()) {
  SCOPED_TRACE(::testing::Message() << where.file_name() << ":" << where.line() << " " << value);
  const RawValue raw = ReadRaw(key, value);
  ASSERT_TRUE(raw.exists);
  EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
  auto expected = Bytes(text);
  expected.push_back(0);
  EXPECT_EQ(raw.bytes, expected);
}

void ExpectDword(const std::string& key, const std::string& value, std::uint8_t number,
                 std::source_location where = std::source_location::current()) {
  SCOPED_TRACE(::testing::Message() << where.file_name() << ":" << where.line() << " " << value);
  const RawValue raw = ReadRaw(key, value);
  ASSERT_TRUE(raw.exists);
  EXPECT_EQ(raw.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(raw.bytes, (std::vector<std::uint8_t>{number, 0, 0, 0}));
}

class AddAccount : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    Start(
        "Quillbeck;quillbeck.it;smtp.quillbeck.it;pop.quillbeck.it;POP3\n"
        "Quillbeck IMAP;quillbeck.it;smtp.quillbeck.it;imap.quillbeck.it;imap\n"
        "Altro;;smtp.altro.net;;x400\n"
        "Spazi;quillbeck.it;s;p; POP3\n"
        "Libero;;;;POP3\n");
  }
  void Fill(int preset, const std::wstring& user, const std::wstring& name = L"Mario Rossi") {
    ChooseProvider(preset);
    Type(kUsername, user);
    Type(kNome, name);
  }
  void Add() {
    ASSERT_TRUE(Enabled(kBtnAggiungi));
    Focus(kBtnAggiungi);  // as a click on the button gives it the focus
    Press(kBtnAggiungi);
  }
  // A whole account typed on the preset without a domain, with `text` put into
  // `field` last, added: nothing may be written, one warning that holds `told`
  // is shown, and the fields keep what was typed. The warning's text, for more checks.
  std::wstring ExpectRefused(ControlId field, const std::wstring& text, const std::wstring& told) {
    SCOPED_TRACE(SpecOf(field).name);
    messages.clear();
    Fill(4, L"mario");
    Type(kDominio, L"quillbeck.it");
    Type(kPopserver, L"pop.quillbeck.it");
    Type(kSmtpserver, L"smtp.quillbeck.it");
    Type(field, text);
    Add();
    EXPECT_TRUE(SubKeys("").empty());
    if (messages.size() != 1u) {
      ADD_FAILURE() << messages.size() << " messages instead of one";
      return {};
    }
    EXPECT_NE(messages[0].text.find(told), std::wstring::npos) << messages[0].text;
    EXPECT_EQ(messages[0].type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
    EXPECT_EQ(Text(field), text);  // the input stays for the user to correct
    EXPECT_EQ(Selected(kProvider), 4);
    return messages[0].text;
  }
};

// The cases that compare with the bytes of code page 1252 (the Western one
// the tests' Wine prefix runs in) fail anywhere else: there they prove nothing.
constexpr UINT kWestern = 1252;

TEST_F(AddAccount, APop3PresetWritesTheCommonAndPop3ValuesInOrder) {
  Fill(0, L"mario");
  Add();
  const std::string key = AccountKeyPath("(KX) mario@quillbeck.it");
  EXPECT_EQ(SortedValueNames(key), Sorted(Join(kCommon, kPop3)));
  ExpectText(key, "Account Name", "mario@quillbeck.it");
  ExpectDword(key, "Connection type", 3);
  ExpectText(key, "SMTP Display Name", "Mario Rossi");
  ExpectText(key, "SMTP Email Address", "mario@quillbeck.it");
  ExpectText(key, "SMTP Server", "smtp.quillbeck.it");
  ExpectDword(key, "POP3 Prompt for Password", 0);
  ExpectText(key, "POP3 Server", "pop.quillbeck.it");
  ExpectDword(key, "POP3 Use Sicily", 0);
  ExpectText(key, "POP3 User Name", "mario");
  ExpectText(kManagerKey, "Default Mail Account", "(KX) mario@quillbeck.it");
  EXPECT_TRUE(messages.empty());  // a successful add shows no message
}

TEST_F(AddAccount, ALowerCaseImapPresetWritesTheImapValuesAndLeavesTheDefault) {
  Fill(1, L"luigi", L"");
  Add();
  const std::string key = AccountKeyPath("(KX) luigi@quillbeck.it");
  EXPECT_EQ(SortedValueNames(key), Sorted(Join(kCommon, kImap)));
  ExpectText(key, "SMTP Display Name", "");
  ExpectDword(key, "IMAP Prompt for Password", 0);
  ExpectText(key, "IMAP Server", "imap.quillbeck.it");
  ExpectText(key, "IMAP User Name", "luigi");
  EXPECT_FALSE(ReadRaw(kManagerKey, "Default Mail Account").exists);  // only the first preset sets it
}

TEST_F(AddAccount, AnUnknownProtocolOrOneWithSpacesGivesTheCommonValuesOnly) {
  Fill(2, L"anna");
  Type(kDominio, L"altro.net");
  Type(kPopserver, L"pop.altro.net");
  Add();
  EXPECT_EQ(SortedValueNames(AccountKeyPath("(KX) anna@altro.net")), Sorted(kCommon));
  Fill(3, L"bea");
  Add();
  EXPECT_EQ(SortedValueNames(AccountKeyPath("(KX) bea@quillbeck.it")), Sorted(kCommon));
}

TEST_F(AddAccount, TheNewAccountShowsAndTheWindowIsReset) {
  Fill(1, L"luigi");
  Add();
  EXPECT_EQ(Rows(), std::vector<std::wstring>{L"luigi@quillbeck.it"});
  EXPECT_EQ(form().accountKeyList(), std::vector<std::wstring>{L"(KX) luigi@quillbeck.it"});
  ExpectRefreshed(L"Mario Rossi", L"IMAP Server:");
  // The pressed button was disabled; the focus is not lost but waits in the provider box.
  EXPECT_TRUE(GetFocus() == Ctl(kProvider) || IsChild(Ctl(kProvider), GetFocus()));
}

TEST_F(AddAccount, TheFirstPresetMovesTheDefaultMark) {
  Fill(0, L"primo");
  Add();
  Fill(0, L"secondo");
  Add();
  Fill(1, L"terzo");
  Add();
  const auto rows = Rows();
  EXPECT_EQ(std::count(rows.begin(), rows.end(), L"secondo@quillbeck.it (Default)"), 1);
  EXPECT_EQ(std::count(rows.begin(), rows.end(), L"primo@quillbeck.it"), 1);
  EXPECT_EQ(std::count(rows.begin(), rows.end(), L"terzo@quillbeck.it"), 1);
}

TEST_F(AddAccount, AddingTheSameAddressAgainReusesTheKeyAndKeepsOtherValues) {
  Fill(0, L"mario");
  Add();
  Fill(1, L"mario", L"Nuovo Nome");
  answers = {IDYES};
  Add();
  ASSERT_EQ(messages.size(), 1u);  // the question
  const std::string key = AccountKeyPath("(KX) mario@quillbeck.it");
  EXPECT_EQ(SortedValueNames(key), Sorted(Join(Join(kCommon, kPop3), kImap)));
  ExpectText(key, "SMTP Display Name", "Nuovo Nome");
  EXPECT_EQ(Rows(), std::vector<std::wstring>{L"mario@quillbeck.it (Default)"});
}

TEST_F(AddAccount, AnAddressDifferingOnlyInCaseReachesTheSameKeyAndKeepsTheDefaultMarked) {
  Fill(1, L"mario");
  Add();
  Fill(0, L"MARIO");
  answers = {IDYES};
  Add();
  ASSERT_EQ(messages.size(), 1u);  // the same account: asked about
  EXPECT_NE(messages[0].text.find(L"\"MARIO@quillbeck.it\" è già configurato"), std::wstring::npos)
      << messages[0].text;
  EXPECT_EQ(SubKeys(kAccountsRoot), std::vector<std::string>{"(KX) mario@quillbeck.it"});
  const std::string key = AccountKeyPath("(KX) mario@quillbeck.it");
  ExpectText(key, "Account Name", "MARIO@quillbeck.it");
  ExpectText(key, "SMTP Email Address", "MARIO@quillbeck.it");
  // The default names the key as the registry holds it, so the list marks it.
  ExpectText(kManagerKey, "Default Mail Account", "(KX) mario@quillbeck.it");
  EXPECT_EQ(Rows(), std::vector<std::wstring>{L"MARIO@quillbeck.it (Default)"});
}

TEST_F(AddAccount, AnswerNoToTheQuestionWritesNothingAndKeepsTheFields) {
  Fill(0, L"mario");
  Add();
  const KeyValues before = AllValues(AccountKeyPath("(KX) mario@quillbeck.it"));
  const KeyValues managerBefore = AllValues(kManagerKey);
  Fill(1, L"Mario", L"Altro Nome");
  answers = {IDNO};
  Add();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2));
  EXPECT_EQ(AllValues(AccountKeyPath("(KX) mario@quillbeck.it")), before);
  EXPECT_EQ(AllValues(kManagerKey), managerBefore);
  EXPECT_EQ(SubKeys(kAccountsRoot).size(), 1u);
  EXPECT_EQ(Text(kUsername), L"Mario");
  EXPECT_EQ(Text(kNome), L"Altro Nome");
  EXPECT_EQ(Selected(kProvider), 1);
  EXPECT_TRUE(Enabled(kBtnAggiungi));
}

TEST_F(AddAccount, AnAddressOfAnotherProgramsAccountIsAskedAboutDifferently) {
  const std::string other = AccountKeyPath("00000001");
  WriteText(other, "SMTP Email Address", "Mario@Quillbeck.IT");
  WriteText(other, "POP3 Server", "pop.other.net");
  const KeyValues otherBefore = AllValues(other);
  form().UpdateForm();  // as at start-up: the list shows the other account
  Fill(0, L"mario");
  Add();  // answered No
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].text.find(L"\"mario@quillbeck.it\" è già presente in un altro account"), std::wstring::npos)
      << messages[0].text;
  EXPECT_EQ(SubKeys(kAccountsRoot), std::vector<std::string>{"00000001"});
  EXPECT_EQ(Text(kUsername), L"mario");

  answers = {IDYES};
  Add();
  EXPECT_EQ(SubKeys(kAccountsRoot).size(), 2u);
  EXPECT_TRUE(KeyExists(AccountKeyPath("(KX) mario@quillbeck.it")));
  EXPECT_EQ(AllValues(other), otherBefore);  // the other account stays as it was
}

// A whole address typed as the user name, and control characters that only
// pasting brings, are refused before anything is written; the text stays.
TEST_F(AddAccount, AnAtInTheUserNameOrAControlCharacterIsRefused) {
  struct Case {
    ControlId field;
    std::wstring text;
    std::wstring told;  // a piece of the message
  };
  const Case cases[] = {
      {kUsername, L"mario@quillbeck.it", L"precede \"@\" (qui: \"mario\")"},
      {kUsername, L"@mario", L"precede \"@\". Il dominio"},
      {kUsername, L"mario\t", L"\n- Username"},
      {kDominio, L"quillbeck.it\r\n", L"\n- Dominio"},
      {kPopserver, L"pop\x1Fquillbeck.it", L"\n- POP3 Server"},
      {kSmtpserver, L"smtp\x7Fquillbeck.it", L"\n- SMTP Server"},
      {kNome, L"Mario\tRossi", L"\n- Nome (Alias)"},
      // The "@" between the two is the program's own.
      {kDominio, L"@quillbeck.it", L"nel campo Dominio scrivi solo la parte dell'indirizzo che segue \"@\" "
                                   L"(qui: \"@quillbeck.it\")"},
      {kDominio, L"quillbeck.it@x", L"(qui: \"quillbeck.it@x\")"},
      // C1 controls, which code page 1252 would pass on to the key name.
      {kUsername, L"mario\x81", L"\n- Username"},
      {kDominio, L"quillbeck\x8D.it", L"\n- Dominio"},
      {kPopserver, L"pop\x8F.quillbeck.it", L"\n- POP3 Server"},
      {kSmtpserver, L"smtp\x90.quillbeck.it", L"\n- SMTP Server"},
      {kNome, L"Mario\x9DRossi", L"\n- Nome (Alias)"},
      {kNome, L"Mario\x80\x9F", L"\n- Nome (Alias)"},
  };
  for (const Case& c : cases) ExpectRefused(c.field, c.text, c.told);
}

TEST_F(AddAccount, SpacesAreKeptEverywhere) {
  Fill(0, L" mario ");
  Add();
  const std::string key = AccountKeyPath("(KX)  mario @quillbeck.it");
  ExpectText(key, "Account Name", " mario @quillbeck.it");
  ExpectText(key, "SMTP Email Address", " mario @quillbeck.it");
  ExpectText(key, "POP3 User Name", " mario ");

  Fill(4, L"anna");
  Type(kDominio, L" altro.net ");
  Type(kPopserver, L"p");
  Type(kSmtpserver, L"s");
  Add();
  const std::string other = AccountKeyPath("(KX) anna@ altro.net ");
  ExpectText(other, "Account Name", "anna@ altro.net ");
  ExpectText(other, "SMTP Email Address", "anna@ altro.net ");
  EXPECT_NE(std::find(Rows().begin(), Rows().end(), L"anna@ altro.net "), Rows().end());
}

TEST_F(AddAccount, AccentedLettersAreStoredInTheAnsiCodePage) {
  ASSERT_EQ(GetACP(), kWestern) << "this test needs the ANSI code page 1252";
  Fill(0, L"niccolò", L"Niccolò Verdù");
  Add();
  const std::string key = AccountKeyPath("(KX) niccol\xF2@quillbeck.it");
  ExpectText(key, "SMTP Display Name", "Niccol\xF2 Verd\xF9");
  EXPECT_EQ(Rows(), std::vector<std::wstring>{L"niccolò@quillbeck.it (Default)"});
}

// Windows would store a character its ANSI code page lacks as "?" or as a
// look-alike ("ł" as "l"): two people's addresses could then share one key.
TEST_F(AddAccount, CharactersTheCodePageLacksAreRefusedFieldByField) {
  ASSERT_EQ(GetACP(), kWestern) << "this test needs the ANSI code page 1252";
  struct Case {
    ControlId field;
    std::wstring text;
    std::wstring told;  // the message's line for the field
  };
  const Case cases[] = {
      {kUsername, L"łukasz", L"\n- Username: \"ł\""},
      {kUsername, L"ｍario", L"\n- Username: \"ｍ\""},  // a full-width letter, not an "m"
      {kDominio, L"wałęsa.pl", L"\n- Dominio: \"ł\" \"ę\""},
      {kPopserver, L"pop.ħost.it", L"\n- POP3 Server: \"ħ\""},
      {kSmtpserver, L"smtp.\U0001F600.it", L"\n- SMTP Server: \"\U0001F600\""},
      {kNome, L"Łukasz Wałęsa Ив", L"\n- Nome (Alias): \"Ł\" \"ł\" \"ę\" \"И\" \"в\""},
  };
  for (const Case& c : cases) {
    const std::wstring told = ExpectRefused(c.field, c.text, c.told);
    EXPECT_EQ(std::count(told.begin(), told.end(), L'\n'), 2) << "one field only";
  }
}

TEST_F(AddAccount, TwoNamesTheCodePageLacksNeverShareAKey) {
  ASSERT_EQ(GetACP(), kWestern) << "this test needs the ANSI code page 1252";
  Fill(0, L"Иван", L"Иван Петров");
  Add();
  ASSERT_EQ(messages.size(), 1u);
  const std::wstring& text = messages[0].text;
  EXPECT_NE(text.find(L"- Username: \"И\" \"в\" \"а\" \"н\""), std::wstring::npos) << text;
  EXPECT_NE(text.find(L"- Nome (Alias): \"И\" \"в\" \"а\" \"н\" \"П\" \"е\" \"т\" \"р\" \"о\""),
            std::wstring::npos)
      << text;
  Type(kUsername, L"Олег");
  Add();
  EXPECT_TRUE(SubKeys("").empty());
  EXPECT_EQ(messages.size(), 2u);
}

TEST_F(AddAccount, CharactersOfTheCodePageStayWhateverTheyLookLike) {
  ASSERT_EQ(GetACP(), kWestern) << "this test needs the ANSI code page 1252";
  Fill(0, L"chi?", L"Zoë – 5 € ‰");
  Add();
  EXPECT_TRUE(messages.empty());
  ExpectText(AccountKeyPath("(KX) chi?@quillbeck.it"), "SMTP Display Name", "Zo\xEB \x96 5 \x80 \x89");
}

// The check runs on what the fields hold when the button is pressed, however the
// text got there: pasting is no way around it.
TEST_F(AddAccount, PastedCharactersAreCheckedAsTypedOnes) {
  ASSERT_EQ(GetACP(), kWestern) << "this test needs the ANSI code page 1252";
  Fill(0, L"");
  const std::wstring pasted = L"łukasz";
  ASSERT_TRUE(OpenClipboard(form().hwnd()));
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (pasted.size() + 1) * sizeof(wchar_t));
  std::copy(pasted.c_str(), pasted.c_str() + pasted.size() + 1, static_cast<wchar_t*>(GlobalLock(memory)));
  GlobalUnlock(memory);
  SetClipboardData(CF_UNICODETEXT, memory);
  CloseClipboard();
  SendMessageW(Ctl(kUsername), WM_PASTE, 0, 0);
  ASSERT_EQ(Text(kUsername), pasted);
  Add();
  EXPECT_TRUE(SubKeys("").empty());
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].text.find(L"- Username: \"ł\""), std::wstring::npos) << messages[0].text;
}

TEST_F(AddAccount, WithoutASelectedPresetNothingIsWrittenAndTheUserIsTold) {
  Fill(0, L"mario");
  // No preset applied (the box's selection cleared) while the add button stays
  // enabled. (Typing into the box keeps the applied preset: field_rules_test.)
  ChooseProvider(-1);
  ASSERT_TRUE(Enabled(kBtnAggiungi));
  Add();
  EXPECT_TRUE(SubKeys("").empty());  // not even the manager key
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].text.find(L"provider"), std::wstring::npos);
  EXPECT_EQ(messages[0].title, L"Configurazione Mail");
  EXPECT_EQ(Text(kUsername), L"mario");
  EXPECT_EQ(Text(kDominio), L"quillbeck.it");
  EXPECT_TRUE(fatalErrors.empty());
}

TEST_F(AddAccount, ABackslashInTheAddressIsRefusedAndTheInputKept) {
  Fill(0, L"ma\\rio");
  Add();
  EXPECT_TRUE(SubKeys("").empty());
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].text.find(L"\\"), std::wstring::npos);
  EXPECT_EQ(Text(kUsername), L"ma\\rio");
  EXPECT_EQ(Selected(kProvider), 0);

  messages.clear();
  ChooseProvider(2);
  Type(kUsername, L"anna");
  Type(kDominio, L"altro\\net");
  Type(kPopserver, L"p");
  Add();
  EXPECT_TRUE(SubKeys("").empty());
  EXPECT_EQ(messages.size(), 1u);
}

TEST_F(AddAccount, AnAddressTooLongForTheRegistryIsRefused) {
  // The ANSI registry calls take paths of up to 260 characters: below the
  // 53-character accounts root and the "(KX) " prefix, addresses of up to 202.
  const std::wstring fits(202 - std::wstring(L"@quillbeck.it").size(), L'a');
  Fill(0, fits + L"b");
  Add();
  EXPECT_TRUE(SubKeys("").empty());
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text,
            L"L'indirizzo è troppo lungo: lo username e il dominio insieme possono avere al massimo 201 caratteri.");
  EXPECT_EQ(Text(kUsername), fits + L"b");

  messages.clear();
  Type(kUsername, fits);
  Add();
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(SubKeys(kAccountsRoot).size(), 1u);
}

// Fields a preset filled and locked cannot be corrected by the user: the
// refusal says the provider's settings are wrong, and asks for nothing.
TEST_F(FormTest, ARefusalOfALockedFieldBlamesThePreset) {
  Start(
      "Tab;tab.it;smtp\ttab.it;pop.tab.it;POP3\n"
      "Chiocciola;@at.it;smtp.at.it;pop.at.it;imap\n"
      "Barra;bar\\ra.it;smtp.b.it;pop\xC2\x85.b.it;POP3\n"
      "\xC5\x81\xC3\xB3\x64\xC5\xBA;\xC5\x82\xC3\xB3\x64\xC5\xBA.pl;smtp.l.pl;pop.l.pl;POP3\n");
  const std::wstring start = L"L'indirizzo non è stato configurato: le impostazioni del provider ";
  const std::wstring end =
      L"\nQuesti campi sono compilati dal provider e non si possono modificare. Segnala il problema al provider.";
  const struct {
    int preset;
    std::wstring told;
  } cases[] = {
      {0, L"«Tab» sono errate:\n- il campo SMTP Server contiene un carattere di controllo (per esempio una "
          L"tabulazione)"},
      {1, L"«Chiocciola» sono errate:\n- il campo Dominio contiene il carattere \"@\""},
      {2, L"«Barra» sono errate:\n- il campo POP3 Server contiene un carattere di controllo (per esempio una "
          L"tabulazione)\n- il campo Dominio contiene il carattere \"\\\""},
      {3, L"«\u0141\u00F3d\u017A» sono errate:\n- il campo Dominio contiene caratteri che la codifica del sistema "
          L"non può rappresentare: \"\u0142\" \"\u017A\""},
  };
  for (const auto& c : cases) {
    if (c.preset == 3 && GetACP() != kWestern) continue;
    messages.clear();
    ChooseProvider(c.preset);
    Type(kUsername, L"mario");
    ASSERT_TRUE(Enabled(kBtnAggiungi));
    Press(kBtnAggiungi);
    ASSERT_EQ(messages.size(), 1u) << c.preset;
    EXPECT_EQ(messages[0].text, start + c.told + end);
    EXPECT_TRUE(SubKeys("").empty());
    EXPECT_EQ(Text(kUsername), L"mario");
  }
}

// A key that refuses every value: nothing was added or updated, the message
// says so, and the default stays where it was. The settings of an earlier SSL
// preset that are there and stayed are named; the other protocol's are not
// this update's to remove.
TEST_F(AddAccount, AnAddThatWroteNothingSaysSoAndMovesNothing) {
  const std::string key = AccountKeyPath("(KX) mario@quillbeck.it");
  WriteText(key, "SMTP Email Address", "old@quillbeck.it");
  WriteRaw(key, "POP3 Port", REG_DWORD, {0xE3, 0x03, 0, 0});
  WriteRaw(key, "POP3 Secure Connection", REG_DWORD, {1, 0, 0, 0});
  WriteRaw(key, "IMAP Port", REG_DWORD, {0xE1, 0x03, 0, 0});
  WriteText(kManagerKey, "Default Mail Account", "(KX) before@quillbeck.it");
  MakeKeyReadOnly(key);
  Fill(0, L"mario");  // the first preset: it would make the account the default
  answers = {IDYES};  // the key is there already
  Add();
  MakeKeyWritable(key);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1].text,
            L"L'indirizzo \"mario@quillbeck.it\" non è stato aggiunto né aggiornato: non è stato possibile scrivere "
            L"nessuno dei suoi valori. L'account predefinito non è cambiato.\nNon è stato possibile nemmeno togliere "
            L"queste impostazioni del provider scelto in precedenza:\n- POP3 Port\n- POP3 Secure Connection");
  ExpectText(kManagerKey, "Default Mail Account", "(KX) before@quillbeck.it");
  // The refresh ran before the message: the list shows the registry as it is.
  EXPECT_EQ(Rows(), std::vector<std::wstring>{L"old@quillbeck.it"});
}

TEST_F(AddAccount, AKeyThatCannotBeCreatedIsAnErrorAndWritesNothing) {
  // Below a volatile key the registry refuses to create a lasting one.
  CreateVolatileKey(kAccountsRoot);
  Fill(0, L"mario");
  Add();
  ASSERT_EQ(fatalErrors.size(), 1u);
  EXPECT_EQ(fatalErrors[0].number(), 1001);
  EXPECT_EQ(fatalErrors[0].description(), "Unable to create the registry key");
  EXPECT_TRUE(SubKeys(kAccountsRoot).empty());
  EXPECT_FALSE(ReadRaw(kManagerKey, "Default Mail Account").exists);
  EXPECT_EQ(Text(kUsername), L"mario");  // no refresh ran
}

// Presets that ask for server options: each writes exactly the values it asks
// for on top of the usual ones, with their types; the rest of the key is as before.
class AddAccountWithServerOptions : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    Start(
        "Cinque campi;q.it;smtp.q.it;pop.q.it;POP3\n"
        "Testo libero;q.it;smtp.q.it;pop.q.it;POP3;hello world;x\n"
        "SSL POP3;q.it;smtp.q.it;pop.q.it;POP3;ssl\n"
        "SSL IMAP;q.it;smtp.q.it;imap.q.it;IMAP;ssl\n"
        "Porta POP3;q.it;smtp.q.it;pop.q.it;POP3;in=995\n"
        "Porta IMAP;q.it;smtp.q.it;imap.q.it;IMAP;in=993\n"
        "Porta SMTP;q.it;smtp.q.it;imap.q.it;IMAP;out=65535\n"
        "Auth;q.it;smtp.q.it;pop.q.it;POP3;auth\n"
        "Login POP3;q.it;smtp.q.it;pop.q.it;POP3;login=address\n"
        "Login IMAP;q.it;smtp.q.it;imap.q.it;IMAP;login=address\n"
        "Tutto;q.it;smtp.q.it;pop.q.it;POP3;ssl in=995 out=465 auth login=address\n");
    messages.clear();  // whatever the loader had to say about the presets
  }

  static KeyValues::value_type Text(const std::string& name, const std::string& text) {
    auto bytes = Bytes(text);
    bytes.push_back(0);
    return {name, {REG_SZ, bytes}};
  }
  static KeyValues::value_type Dword(const std::string& name, std::uint32_t n) {
    return {name, {REG_DWORD, {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
                               static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 24)}}};
  }
  // What an account of user@q.it gets without any option.
  static KeyValues Usual(const std::string& user, bool imap) {
    const std::string address = user + "@q.it";
    KeyValues v = {Text("Account Name", address), Dword("Connection type", 3), Text("SMTP Display Name", "Mario"),
                   Text("SMTP Email Address", address), Text("SMTP Server", "smtp.q.it")};
    if (imap)
      v.insert({Dword("IMAP Prompt for Password", 0), Text("IMAP Server", "imap.q.it"), Text("IMAP User Name", user)});
    else
      v.insert({Dword("POP3 Prompt for Password", 0), Text("POP3 Server", "pop.q.it"), Dword("POP3 Use Sicily", 0),
                Text("POP3 User Name", user)});
    return v;
  }
};

TEST_F(AddAccountWithServerOptions, EachOptionWritesExactlyItsValues) {
  struct Case {
    int preset;
    bool imap;
    std::vector<KeyValues::value_type> changes;  // added to, or replacing, the usual values
  };
  const Case cases[] = {
      {0, false, {}},
      {1, false, {}},
      {2, false, {Dword("POP3 Secure Connection", 1), Dword("SMTP Secure Connection", 1)}},
      {3, true, {Dword("IMAP Secure Connection", 1), Dword("SMTP Secure Connection", 1)}},
      {4, false, {Dword("POP3 Port", 995)}},
      {5, true, {Dword("IMAP Port", 993)}},
      {6, true, {Dword("SMTP Port", 65535)}},
      {7, false, {Dword("SMTP Use Sicily", 2)}},
      {8, false, {Text("POP3 User Name", "u8@q.it")}},
      {9, true, {Text("IMAP User Name", "u9@q.it")}},
      {10, false,
       {Dword("POP3 Port", 995), Dword("POP3 Secure Connection", 1), Dword("SMTP Port", 465),
        Dword("SMTP Secure Connection", 1), Dword("SMTP Use Sicily", 2), Text("POP3 User Name", "u10@q.it")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.preset);
    const std::string user = std::string("u").append(std::to_string(c.preset));
    ChooseProvider(c.preset);
    Type(kUsername, std::wstring(user.begin(), user.end()));
    Type(kNome, L"Mario");
    Press(kBtnAggiungi);
    KeyValues expected = Usual(user, c.imap);
    for (const auto& [name, value] : c.changes) expected[name] = value;
    EXPECT_EQ(AllValues(AccountKeyPath("(KX) " + user + "@q.it")), expected);
  }
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(SubKeys(kAccountsRoot).size(), std::size(cases));
}

// An account made with options and then updated with a preset without them
// connects as the new preset says: no port, SSL or authentication stays behind.
TEST_F(AddAccountWithServerOptions, AnUpdateKeepsNoOptionTheNewPresetDoesNotAskFor) {
  for (int first : {2, 10}) {
    SCOPED_TRACE(first);
    ClearScratchHkcu();
    ChooseProvider(first);
    Type(kUsername, L"mario");
    Type(kNome, L"Mario");
    Press(kBtnAggiungi);
    messages.clear();
    ChooseProvider(0);
    Type(kUsername, L"mario");
    answers = {IDYES};
    Press(kBtnAggiungi);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text,
              L"L'indirizzo \"mario@q.it\" è già configurato in Outlook Express.\n\n"
              L"Vuoi aggiornarlo con le impostazioni di «Cinque campi»?");
    EXPECT_EQ(AllValues(AccountKeyPath("(KX) mario@q.it")), Usual("mario", false));
  }
}

}  // namespace
}  // namespace qbtest
