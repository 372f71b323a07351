// Start-up, the refresh UpdateForm and help.
#include "accounts/account_layout.h"
#include "app/window_utils.h"
#include "tests/support/form_fixture.h"
#include "tests/support/registry_helpers.h"

namespace qbtest {
namespace {

using namespace qb;

void AddForeignAccount(const std::string& key, const std::string& address) {
  WriteText(AccountKeyPath(key), "SMTP Email Address", address);
}

TEST_F(FormTest, AfterStartUpTheFirstPresetIsSelectedAndItsFieldsLocked) {
  AddForeignAccount("00000001", "anna@example.com");
  AddForeignAccount("00000002", "bruno@example.com");
  WriteText(kManagerKey, "Default Mail Account", "00000002");
  Start();

  EXPECT_EQ(Selected(kProvider), 0);
  EXPECT_EQ(Text(kProvider), L"Quillbeck");
  EXPECT_EQ(SendMessageW(Ctl(kProvider), CB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(Text(kDominio), L"quillbeck.it");
  EXPECT_EQ(Text(kPopserver), L"pop.quillbeck.it");
  EXPECT_EQ(Text(kSmtpserver), L"smtp.quillbeck.it");
  EXPECT_EQ(Text(kLabelInbound), L"POP3 Server:");
  for (ControlId id : {kDominio, kPopserver, kSmtpserver, kBtnAggiungi, kBtnCancella})
    EXPECT_FALSE(Enabled(id)) << SpecOf(id).name;
  for (ControlId id : {kUsername, kNome, kProvider, kLista, kBtnChiudi}) EXPECT_TRUE(Enabled(id)) << SpecOf(id).name;
  EXPECT_EQ(Text(kUsername), L"");
  EXPECT_EQ(Text(kNome), L"");

  EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"anna@example.com", L"bruno@example.com (Default)"}));
  EXPECT_EQ(form().accountKeyList(), (std::vector<std::wstring>{L"00000001", L"00000002"}));
  EXPECT_EQ(Selected(kLista), -1);
  EXPECT_EQ(GetFocus(), Ctl(kLista));
  EXPECT_TRUE(fatalErrors.empty());
}

TEST_F(FormTest, AFirstPresetWithoutDomainOpensWithUnlockedFields) {
  Start("Libero;;smtp.example.net;;IMAP\nQuillbeck;quillbeck.it;s;p;POP3\n");
  EXPECT_EQ(Text(kDominio), L"");
  EXPECT_EQ(Text(kSmtpserver), L"smtp.example.net");
  EXPECT_EQ(Text(kLabelInbound), L"IMAP Server:");
  for (ControlId id : {kDominio, kPopserver, kSmtpserver}) EXPECT_TRUE(Enabled(id)) << SpecOf(id).name;
  EXPECT_FALSE(Enabled(kBtnAggiungi));
}

TEST_F(FormTest, ProviderItemsFollowFileOrderUnsorted) {
  Start("zeta;z;s;p;POP3\n# between\nalfa;a;s;p;POP3\n  mu;m;s;p;IMAP  \n");
  std::vector<std::wstring> items;
  for (int i = 0; i < 3; ++i) {
    wchar_t text[32];
    SendMessageW(Ctl(kProvider), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    items.push_back(text);
  }
  EXPECT_EQ(items, (std::vector<std::wstring>{L"zeta", L"alfa", L"mu"}));
  ChooseProvider(2);
  EXPECT_EQ(Text(kDominio), L"m");
}

TEST_F(FormTest, AnEmptyCatalogueOpensWithNothingToChoose) {
  Start("# only a comment\n\n   \nshort;line\n");
  EXPECT_TRUE(fatalErrors.empty());
  EXPECT_EQ(SendMessageW(Ctl(kProvider), CB_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(Selected(kProvider), -1);
  for (ControlId id : {kDominio, kPopserver, kSmtpserver, kBtnAggiungi, kBtnCancella})
    EXPECT_FALSE(Enabled(id)) << SpecOf(id).name;
  Type(kUsername, L"mario");
  EXPECT_FALSE(Enabled(kBtnAggiungi));
}

TEST_F(FormTest, AMissingPresetFileIsReportedWithTheWindowAlreadyVisible) {
  Start(nullptr);
  ASSERT_EQ(fatalErrors.size(), 1u);
  EXPECT_EQ(fatalErrors[0].number(), 53);
  const std::string description = fatalErrors[0].description();
  EXPECT_NE(description.find("providers.lst"), std::string::npos) << description;
  char folder[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, folder);
  EXPECT_NE(description.find(folder), std::string::npos) << description;
  EXPECT_EQ(description.rfind("File non trovato: \"providers.lst\" nella cartella", 0), 0u) << description;
  EXPECT_TRUE(IsWindowVisible(form().hwnd()));
  EXPECT_EQ(SendMessageW(Ctl(kProvider), CB_GETCOUNT, 0, 0), 0);
}

// The window's own words survive any code page: the description is UTF-8.
TEST_F(FormTest, AMissingPresetFileNamesTheFolderWithAllItsLetters) {
  const std::wstring name = L"\u0141\u00F3d\u017A";
  ASSERT_TRUE(CreateDirectoryW(name.c_str(), nullptr));
  ASSERT_TRUE(SetCurrentDirectoryW(name.c_str()));
  Start(nullptr);
  SetCurrentDirectoryW(L"..");
  RemoveDirectoryW(name.c_str());
  ASSERT_EQ(fatalErrors.size(), 1u);
  const std::string description = fatalErrors[0].description();
  const std::string ending = "\\\xC5\x81\xC3\xB3\x64\xC5\xBA\".\r\n\r\nIl programma legge";
  EXPECT_NE(description.find(ending), std::string::npos) << description;
}

TEST_F(FormTest, AnUnreadablePresetFileIsReportedInItalianWithItsNumber) {
  ASSERT_TRUE(CreateDirectoryA("providers.lst", nullptr));  // a folder of the file's name
  Start(nullptr);
  ASSERT_EQ(fatalErrors.size(), 1u);
  EXPECT_EQ(fatalErrors[0].number(), 75);
  const std::string description = fatalErrors[0].description();
  EXPECT_EQ(description.rfind("Impossibile leggere il file \"providers.lst\" nella cartella", 0), 0u) << description;
  // "può" in UTF-8, as every description.
  EXPECT_NE(description.find("pu\xC3\xB2 essere aperto"), std::string::npos) << description;
  RemoveDirectoryA("providers.lst");
}

TEST_F(FormTest, TheWindowIsPaintedWholeBeforeThePresetsLoad) {
  // The missing file is found while the presets load: the window and every
  // control must have nothing left to paint by then.
  std::vector<std::string> unpainted;
  whenFatal = [&] {
    if (GetUpdateRect(form().hwnd(), nullptr, FALSE)) unpainted.push_back("the window");
    for (const ControlSpec& spec : kLayout)
      if (GetUpdateRect(Ctl(spec.id), nullptr, FALSE)) unpainted.push_back(spec.name);
  };
  Start(nullptr);
  ASSERT_EQ(fatalErrors.size(), 1u);
  EXPECT_TRUE(unpainted.empty()) << unpainted.size() << " unpainted, first: " << unpainted.front();
}

TEST_F(FormTest, UpdateFormClearsTheEntryAndRebuildsTheList) {
  Start();
  ChooseProvider(1);  // IMAP
  Type(kUsername, L"mario");
  Type(kNome, L"Mario Rossi");
  AddForeignAccount("later", "later@example.com");
  form().UpdateForm();

  ExpectRefreshed(L"Mario Rossi", L"IMAP Server:");
  EXPECT_EQ(Rows(), std::vector<std::wstring>{L"later@example.com"});
  // Without a provider the add button cannot come back.
  Type(kUsername, L"mario");
  EXPECT_FALSE(Enabled(kBtnAggiungi));
}

TEST_F(FormTest, TheHelpFileIsBesideTheProgram) {
  Start();
  wchar_t exe[MAX_PATH];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring folder = exe;
  folder.resize(folder.find_last_of(L'\\'));
  EXPECT_EQ(form().helpFilePath(), folder + L"\\Quillbeck.chm");
}

TEST(HelpFile, ItsPathFollowsTheProgramsFolder) {
  struct Case {
    const wchar_t* module;
    const wchar_t* folder;
    const wchar_t* help;
  };
  const Case cases[] = {
      {L"C:\\Programmi\\Posta\\Quillbeck.exe", L"C:\\Programmi\\Posta", L"C:\\Programmi\\Posta\\Quillbeck.chm"},
      // A name the ANSI code page cannot hold keeps its letters.
      {L"C:\\Users\\\u0141ukasz\\Quillbeck.exe", L"C:\\Users\\\u0141ukasz", L"C:\\Users\\\u0141ukasz\\Quillbeck.chm"},
      // At a drive's root the folder is the root, and two backslashes follow.
      {L"D:\\Quillbeck.exe", L"D:\\", L"D:\\\\Quillbeck.chm"},
      {L"\\\\server\\posta\\Quillbeck.exe", L"\\\\server\\posta", L"\\\\server\\posta\\Quillbeck.chm"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FolderOfModulePath(c.module), c.folder);
    EXPECT_EQ(HelpFilePathFor(FolderOfModulePath(c.module)), c.help);
  }
}

TEST_F(FormTest, TheHelpMenuOpensTheMainTopicWithoutOwner) {
  Start();
  SendMessageW(form().hwnd(), WM_COMMAND, MAKEWPARAM(kMenuAiuto, 0), 0);
  ASSERT_EQ(helpCalls.size(), 1u);
  EXPECT_EQ(helpCalls[0].owner, nullptr);
  EXPECT_EQ(helpCalls[0].file, form().helpFilePath());
  EXPECT_EQ(helpCalls[0].command, 0u);  // HH_DISPLAY_TOPIC
  EXPECT_EQ(helpCalls[0].topic, L"html/Quillbeck.htm");
}

// The help number of each control that takes the focus, as the help file's map has them.
const struct {
  ControlId id;
  const char* name;
  DWORD help;
} kHelpNumbers[] = {
    {kLista, "lista", 10001},        {kBtnCancella, "btn_cancella", 10002}, {kProvider, "provider", 10003},
    {kUsername, "username", 10004}, {kDominio, "dominio", 10005},          {kPopserver, "popserver", 10006},
    {kSmtpserver, "smtpserver", 10007}, {kNome, "nome", 10008},          {kBtnAggiungi, "btn_aggiungi", 10009},
    {kBtnChiudi, "btn_chiudi", 10008},
};

TEST_F(FormTest, TheF1KeyOpensTheFocusedControlsHelpNumberOnce) {
  Start();
  SetForegroundWindow(form().hwnd());
  for (const auto& want : kHelpNumbers) {
    SCOPED_TRACE(want.name);
    EnableWindow(Ctl(want.id), TRUE);
    Focus(want.id);  // the provider box gives the focus to its text field
    Pump();
    helpCalls.clear();
    Keys({{VK_F1}});
    ASSERT_EQ(helpCalls.size(), 1u);
    EXPECT_EQ(helpCalls[0].command, 0x000Fu);  // HH_HELP_CONTEXT
    EXPECT_EQ(helpCalls[0].data, want.help);
    EXPECT_EQ(helpCalls[0].owner, form().hwnd());
    EXPECT_EQ(helpCalls[0].file, form().helpFilePath());
  }
}

TEST_F(FormTest, HelpForAWindowWithoutNumberOpensTheMainTopic) {
  Start();
  HELPINFO info{sizeof info, HELPINFO_WINDOW, 0, form().hwnd(), 0, {0, 0}};
  SendMessageW(form().hwnd(), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
  ASSERT_EQ(helpCalls.size(), 1u);
  EXPECT_EQ(helpCalls[0].command, 0u);  // HH_DISPLAY_TOPIC
  EXPECT_EQ(helpCalls[0].topic, L"html/Quillbeck.htm");
}

TEST(HtmlHelp, AMissingHelpComponentRaisesNothing) {
  EXPECT_NO_THROW(CallHtmlHelp(nullptr, L"C:\\nowhere\\Quillbeck.chm", 0, 0, L"no-such-component.ocx"));
  // A component without the entry point: the call is skipped.
  EXPECT_NO_THROW(CallHtmlHelp(nullptr, L"C:\\nowhere\\Quillbeck.chm", 0, 0, L"version.dll"));
}

}  // namespace
}  // namespace qbtest
