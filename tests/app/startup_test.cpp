// Start-up, the refresh UpdateForm and help.
#include "accounts/account_layout.h"
#include "app/window_utils.h"
#include "tests/app/form_fixture.h"
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
  EXPECT_EQ(form().accountKeyList(), (std::vector<std::string>{"00000001", "00000002"}));
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

TEST_F(FormTest, AnUnreadablePresetFileIsReportedInItalianWithItsNumber) {
  ASSERT_TRUE(CreateDirectoryA("providers.lst", nullptr));  // a folder of the file's name
  Start(nullptr);
  ASSERT_EQ(fatalErrors.size(), 1u);
  EXPECT_EQ(fatalErrors[0].number(), 75);
  const std::string description = fatalErrors[0].description();
  EXPECT_EQ(description.rfind("Impossibile leggere il file \"providers.lst\" nella cartella", 0), 0u) << description;
  // "può" in the ANSI code page the message box is given.
  EXPECT_NE(description.find("pu\xF2 essere aperto"), std::string::npos) << description;
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
  EXPECT_EQ(form().helpFilePath(), ExecutableFolder() + "\\Quillbeck.chm");
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string folder = exe;
  folder.resize(folder.find_last_of('\\'));
  EXPECT_EQ(form().helpFilePath(), folder + "\\Quillbeck.chm");
  EXPECT_EQ(HelpFilePathFor("C:\\"), "C:\\\\Quillbeck.chm");
}

TEST_F(FormTest, TheHelpMenuOpensTheMainTopicWithoutOwner) {
  Start();
  SendMessageW(form().hwnd(), WM_COMMAND, MAKEWPARAM(kMenuAiuto, 0), 0);
  ASSERT_EQ(helpCalls.size(), 1u);
  EXPECT_EQ(helpCalls[0].owner, nullptr);
  EXPECT_EQ(helpCalls[0].file, form().helpFilePath());
  EXPECT_EQ(helpCalls[0].command, 0u);  // HH_DISPLAY_TOPIC
  EXPECT_EQ(helpCalls[0].topic, "html/Quillbeck.htm");
}

TEST_F(FormTest, F1OpensTheFocusedControlsHelpNumber) {
  Start();
  for (const ControlSpec& spec : kLayout) {
    if (!spec.helpId) continue;
    helpCalls.clear();
    HELPINFO info{sizeof info, HELPINFO_WINDOW, spec.id, Ctl(spec.id), 0, {0, 0}};
    info.dwContextId = GetWindowContextHelpId(Ctl(spec.id));
    SendMessageW(form().hwnd(), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    ASSERT_EQ(helpCalls.size(), 1u) << spec.name;
    EXPECT_EQ(helpCalls[0].command, 0x000Fu) << spec.name;  // HH_HELP_CONTEXT
    EXPECT_EQ(helpCalls[0].data, spec.helpId) << spec.name;
    EXPECT_EQ(helpCalls[0].file, form().helpFilePath());
  }
  // The text field inside the provider box answers with the box's number.
  helpCalls.clear();
  HWND edit = FindWindowExW(Ctl(kProvider), nullptr, L"Edit", nullptr);
  HELPINFO info{sizeof info, HELPINFO_WINDOW, 0, edit, 0, {0, 0}};
  SendMessageW(form().hwnd(), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
  ASSERT_EQ(helpCalls.size(), 1u);
  EXPECT_EQ(helpCalls[0].data, 10003u);
}

TEST_F(FormTest, TheF1KeyInAFieldAsksForItsHelpOnce) {
  Start();
  Focus(kNome);
  MSG down{GetFocus(), WM_KEYDOWN, VK_F1, 0x003B0001, 0, {0, 0}};
  EXPECT_TRUE(form().TranslateHelpKey(down));
  MSG keyF1{GetFocus(), 0x004D, 0, 0, 0, {0, 0}};
  EXPECT_TRUE(form().TranslateHelpKey(keyF1));  // the system's own request is not answered twice
  ASSERT_EQ(helpCalls.size(), 1u);
  EXPECT_EQ(helpCalls[0].command, 0x000Fu);
  EXPECT_EQ(helpCalls[0].data, 10008u);
  EXPECT_EQ(helpCalls[0].owner, form().hwnd());

  MSG other{GetFocus(), WM_KEYDOWN, 'A', 0, 0, {0, 0}};
  EXPECT_FALSE(form().TranslateHelpKey(other));
  MSG elsewhere{GetDesktopWindow(), WM_KEYDOWN, VK_F1, 0, 0, {0, 0}};
  EXPECT_FALSE(form().TranslateHelpKey(elsewhere));
  EXPECT_EQ(helpCalls.size(), 1u);
}

TEST(HtmlHelp, AMissingHelpComponentRaisesNothing) {
  EXPECT_NO_THROW(CallHtmlHelp(nullptr, "C:\\nowhere\\Quillbeck.chm", 0, 0, "no-such-component.ocx"));
  // A component without the entry point: the call is skipped.
  EXPECT_NO_THROW(CallHtmlHelp(nullptr, "C:\\nowhere\\Quillbeck.chm", 0, 0, "version.dll"));
}

}  // namespace
}  // namespace qbtest
