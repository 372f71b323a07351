// What the window shows of the presets: their UTF-8 texts, the incoming
// server's tooltip about the connection, and the start-up report of the lines
// of providers.lst that could not be fully used.
#include <string>
#include <vector>

#include "accounts/account_layout.h"
#include "app/preset_problems.h"
#include "app/window_utils.h"
#include "tests/support/form_fixture.h"
#include "tests/support/list_rows.h"
#include "tests/support/registry_helpers.h"

#include <commctrl.h>

namespace qbtest {
namespace {

using namespace qb;

const wchar_t kPlainPopserverTip[] = L"Inserisci il server di scaricamento";

std::wstring TipOf(HWND tooltip, HWND owner, HWND tool) {
  wchar_t text[512] = {};
  TOOLINFOW ti{};
  ti.cbSize = sizeof ti;
  ti.hwnd = owner;
  ti.uId = reinterpret_cast<UINT_PTR>(tool);
  ti.lpszText = text;
  SendMessageW(tooltip, TTM_GETTEXTW, 512, reinterpret_cast<LPARAM>(&ti));
  return text;
}

std::wstring ItemOf(HWND combo, int index) {
  wchar_t text[128] = {};
  SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
  return text;
}

// ---------------------------------------------------------------- UTF-8 texts

TEST_F(FormTest, PresetTextsInUtf8ShowEveryLetter) {
  // "Łódź" has letters outside Windows-1252; "Città" has one inside it.
  Start(
      "\xC5\x81\xC3\xB3\x64\xC5\xBA Poczta;poczta.\xC5\x82\xC3\xB3\x64\xC5\xBA.pl;smtp.poczta.pl;pop.poczta.pl;POP3\n"
      "Posta Citt\xC3\xA0;citt\xC3\xA0.it;smtp.citt\xC3\xA0.it;imap.citt\xC3\xA0.it;imap\n");
  EXPECT_EQ(ItemOf(Ctl(kProvider), 0), L"\u0141\u00F3d\u017A Poczta");
  EXPECT_EQ(ItemOf(Ctl(kProvider), 1), L"Posta Citt\u00E0");
  EXPECT_EQ(Text(kProvider), L"\u0141\u00F3d\u017A Poczta");
  EXPECT_EQ(Text(kDominio), L"poczta.\u0142\u00F3d\u017A.pl");
  ChooseProvider(1);
  EXPECT_EQ(Text(kProvider), L"Posta Citt\u00E0");
  EXPECT_EQ(Text(kDominio), L"citt\u00E0.it");
  EXPECT_EQ(Text(kPopserver), L"imap.citt\u00E0.it");
  EXPECT_EQ(Text(kSmtpserver), L"smtp.citt\u00E0.it");
  EXPECT_EQ(Text(kLabelInbound), L"IMAP Server:");
}

TEST(ListFillCoding, Utf8RowsAreShownWholeAndAnsiRowsStayAnsi) {
  HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 300, 300, nullptr, nullptr, nullptr, nullptr);
  HWND list = CreateWindowExW(0, L"LISTBOX", L"", WS_CHILD, 0, 0, 100, 100, parent, nullptr, nullptr, nullptr);
  HWND combo = CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | CBS_DROPDOWN, 0, 0, 100, 200, parent, nullptr, nullptr,
                               nullptr);
  const std::vector<std::string> utf8{"\xC5\x81\xC3\xB3\x64\xC5\xBA", "", "Citt\xC3\xA0", "x"};
  ArrayToListBox(combo, utf8, TextCoding::Utf8, false, 0, 2);
  ArrayToListBox(combo, utf8, TextCoding::Utf8, true, 1, 2);  // clears, then rows 1..2
  EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(ItemOf(combo, 0), L"");
  EXPECT_EQ(ItemOf(combo, 1), L"Citt\u00E0");
  ArrayToListBox(list, utf8, TextCoding::Utf8, false, std::nullopt, 0);
  ArrayToListBox(list, {"citt\xE0"}, false);  // the account rows: the ANSI code page
  EXPECT_EQ(ListRow(list, 0), L"\u0141\u00F3d\u017A");
  wchar_t ansi[8] = {};
  MultiByteToWideChar(CP_ACP, 0, "citt\xE0", -1, ansi, 8);
  EXPECT_EQ(ListRow(list, 1), ansi);
  DestroyWindow(parent);
}

// ---------------------------------------------------------------- tooltip of popserver

struct TipCase {
  const char* settings;  // the sixth field of the preset line
  const wchar_t* tip;
};

const TipCase kTipCases[] = {
    {"ssl in=995", L"Connessione protetta (SSL), porta 995"},
    {"ssl", L"Connessione protetta (SSL), porta standard"},
    {"in=110", L"Connessione non protetta, porta 110"},
    {"ssl in=995 out=465 auth", L"Connessione protetta (SSL), porta 995\r\nInvio: porta 465, con autenticazione"},
    {"out=587", L"Connessione non protetta, porta standard\r\nInvio: porta 587"},
    {"auth", L"Connessione non protetta, porta standard\r\nInvio: con autenticazione"},
    {"ssl in=993 login=address", L"Connessione protetta (SSL), porta 993\r\nAccesso con l'indirizzo completo"},
    {"", kPlainPopserverTip},
    {"unknown words only", kPlainPopserverTip},
};

TEST_F(FormTest, TheIncomingServerTipTellsTheAppliedPresetsSecurity) {
  std::string lines;
  for (const TipCase& c : kTipCases) lines += std::string("P;p.it;smtp.p.it;pop.p.it;POP3;") + c.settings + "\n";
  Start(lines.c_str());
  HWND tooltip = form().tooltip();
  ASSERT_NE(tooltip, nullptr);
  int index = 0;
  for (const TipCase& c : kTipCases) {
    SCOPED_TRACE(c.settings);
    ChooseProvider(index++);
    EXPECT_EQ(TipOf(tooltip, form().hwnd(), Ctl(kPopserver)), c.tip);
  }
  // The other fields keep their tips.
  EXPECT_EQ(TipOf(tooltip, form().hwnd(), Ctl(kSmtpserver)), L"Inserisci il server di spedizione posta");
}

TEST_F(FormTest, NoSelectionAndTheRefreshRestoreThePlainTip) {
  Start("S;s.it;smtp.s.it;pop.s.it;POP3;ssl in=995\nT;t.it;smtp.t.it;pop.t.it;POP3;ssl in=995\n");
  HWND tooltip = form().tooltip();
  const std::wstring secure = L"Connessione protetta (SSL), porta 995";
  EXPECT_EQ(TipOf(tooltip, form().hwnd(), Ctl(kPopserver)), secure);  // item 0 at start-up
  ChooseProvider(-1);
  EXPECT_EQ(TipOf(tooltip, form().hwnd(), Ctl(kPopserver)), kPlainPopserverTip);
  ChooseProvider(1);
  EXPECT_EQ(TipOf(tooltip, form().hwnd(), Ctl(kPopserver)), secure);
  form().UpdateForm();
  EXPECT_EQ(TipOf(tooltip, form().hwnd(), Ctl(kPopserver)), kPlainPopserverTip);
}

// A locked field takes no mouse input: the mouse over it moves on the window,
// and the tooltip shows there only a tool of the window that covers the point.
std::wstring TipOnTheWindowOver(HWND tooltip, HWND window, HWND field) {
  RECT r;
  GetWindowRect(field, &r);
  POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ScreenToClient(window, &centre);
  wchar_t text[512] = {};
  TTHITTESTINFOW hit{};
  hit.hwnd = window;
  hit.pt = centre;
  hit.ti.cbSize = sizeof hit.ti;
  hit.ti.lpszText = text;
  if (!SendMessageW(tooltip, TTM_HITTESTW, 0, reinterpret_cast<LPARAM>(&hit))) return L"(no tool)";
  // The hit test gives the tool; its text is asked for as the tooltip would.
  hit.ti.lpszText = text;
  SendMessageW(tooltip, TTM_GETTEXTW, 512, reinterpret_cast<LPARAM>(&hit.ti));
  return text;
}

TEST_F(FormTest, ALockedFieldShowsItsTipOverTheWindow) {
  Start("S;s.it;smtp.s.it;pop.s.it;POP3;ssl in=995\nT;t.it;smtp.t.it;pop.t.it;POP3\n");
  HWND tooltip = form().tooltip();
  ASSERT_FALSE(Enabled(kPopserver));  // a preset with a domain locks the servers
  EXPECT_EQ(TipOnTheWindowOver(tooltip, form().hwnd(), Ctl(kPopserver)), L"Connessione protetta (SSL), porta 995");
  EXPECT_EQ(TipOnTheWindowOver(tooltip, form().hwnd(), Ctl(kSmtpserver)), L"Inserisci il server di spedizione posta");
  ChooseProvider(1);
  EXPECT_EQ(TipOnTheWindowOver(tooltip, form().hwnd(), Ctl(kPopserver)), kPlainPopserverTip);
  EXPECT_EQ(TipOnTheWindowOver(tooltip, form().hwnd(), Ctl(kBtnAggiungi)),
            L"Aggiungi un nuovo indirizzo con i dati inseriti");
}

// ---------------------------------------------------------------- start-up report

TEST_F(FormTest, PresetLinesThatCouldNotBeFullyUsedAreReportedOnceAfterStartUp) {
  struct Seen {
    bool visible;
    LRESULT items;
    int provider;
    std::size_t rows;
  } seen{};
  whenMessageShown = [&] {
    seen = {IsWindowVisible(form().hwnd()) != FALSE, SendMessageW(Ctl(kProvider), CB_GETCOUNT, 0, 0),
            Selected(kProvider), Rows().size()};
  };
  WriteText(AccountKeyPath("k1"), "SMTP Email Address", "anna@example.com");
  Start(
      "# presets\n"
      "Uno;uno.it;smtp.uno.it;pop.uno.it;POP3;ssl in=99999\n"
      "Due;due.it;smtp.due.it;pop.due.it;SMTP\n"
      "Tre;tre.it;s;p;POP3\n"
      "Quattro;q.it;s;p;IMAP;out=0 in=993\n");
  ASSERT_EQ(startupMessages.size(), 1u);
  EXPECT_EQ(startupMessages[0].title, L"Configurazione Mail");
  EXPECT_EQ(startupMessages[0].type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
  EXPECT_EQ(startupMessages[0].text,
            L"Alcune righe di providers.lst non sono state usate per intero:\n"
            L"\n- riga 2: l'impostazione \"in=99999\" non è valida ed è stata ignorata"
            L"\n- riga 3: il protocollo \"SMTP\" non è né POP3 né IMAP: gli indirizzi di questo provider non avranno "
            L"il server di posta in arrivo"
            L"\n- riga 5: l'impostazione \"out=0\" non è valida ed è stata ignorata");
  // Shown with the start-up complete: window, presets, accounts, first preset.
  EXPECT_TRUE(seen.visible);
  EXPECT_EQ(seen.items, 4);
  EXPECT_EQ(seen.provider, 0);
  EXPECT_EQ(seen.rows, 1u);
  EXPECT_TRUE(messages.empty());
}

// Presets whose locked fields no account can take are named with their reason,
// among the loader's problems in line order; a preset without a domain is not,
// since the user types its fields.
TEST_F(FormTest, PresetsThatCanNeverWorkAreNamedAtStartUp) {
  const std::string domain200 = std::string(197, 'd') + ".it";
  Start(
      "Uno;uno.it;smtp.uno.it;pop.uno.it;POP3\n"
      "Tab;tab.it;smtp\ttab.it;pop.tab.it;POP3;in=995 ssl in=110\n"
      "Barra;bar\\ra.it;smtp.b.it;pop\xC2\x81.b.it;imap\n"
      "Chiocciola;a@b.it;s;p;x\n"
      "Lungo;" + domain200 + ";s;p;POP3\n"
      "Troppo;x" + domain200 + ";s;p;POP3\n"
      "Libero;;smtp\tx;p;POP3\n"
      "\xC5\x81\xC3\xB3\x64\xC5\xBA;poczta.pl;smtp.\xC5\x82\xC3\xB3\x64\xC5\xBA.pl;pop.pl;POP3\n");
  ASSERT_EQ(startupMessages.size(), 1u);
  const std::wstring never = L": con questo provider non si potrà mai aggiungere un indirizzo";
  std::wstring want =
      L"Alcune righe di providers.lst non sono state usate per intero:\n"
      L"\n- riga 2: l'impostazione \"in=110\" contraddice una precedente della stessa riga ed è stata ignorata"
      L"\n- riga 2: il campo SMTP Server contiene un carattere di controllo (per esempio una tabulazione)" + never +
      L"\n- riga 3: il campo IMAP Server contiene un carattere di controllo (per esempio una tabulazione)" + never +
      L"\n- riga 3: il campo Dominio contiene il carattere \"\\\"" + never +
      L"\n- riga 4: il protocollo \"x\" non è né POP3 né IMAP: gli indirizzi di questo provider non avranno il "
      L"server di posta in arrivo"
      L"\n- riga 4: il campo Dominio contiene il carattere \"@\"" + never +
      L"\n- riga 6: il campo Dominio è troppo lungo: lo username e il dominio insieme possono avere al massimo 201 "
      L"caratteri" + never;
  if (GetACP() == 1252)
    want += L"\n- riga 8: il campo SMTP Server contiene caratteri che la codifica del sistema non può "
            L"rappresentare: \"\u0142\" \"\u017A\"" + never;
  EXPECT_EQ(startupMessages[0].text, want);
}

TEST(PresetProblems, EachKindIsNamedWithItsLineAndWord) {
  using Kind = ProviderProblem::Kind;
  EXPECT_EQ(PresetProblemsMessage({}), L"");
  const std::wstring text = PresetProblemsMessage({{Kind::NulByte, 7, ""},
                                                   {Kind::UnknownProtocol, 12, "p\xC3\xB2p"},
                                                   {Kind::BadSetting, 40000, "login=\xC5\x81"}});
  EXPECT_EQ(text,
            L"Alcune righe di providers.lst non sono state usate per intero:\n"
            L"\n- riga 7: la riga contiene un carattere nullo ed è stata saltata"
            L"\n- riga 12: il protocollo \"p\u00F2p\" non è né POP3 né IMAP: gli indirizzi di questo provider non "
            L"avranno il server di posta in arrivo"
            L"\n- riga 40000: l'impostazione \"login=\u0141\" non è valida ed è stata ignorata");
}

// A preset that can never make an account, and a file the program cannot read
// at all: the user must learn which, and why.
TEST(PresetProblems, APresetWithoutServersAndAnUnreadableFileAreSaidSo) {
  using Kind = ProviderProblem::Kind;
  EXPECT_EQ(PresetProblemsMessage({{Kind::MissingServer, 3, ""}}),
            L"Alcune righe di providers.lst non sono state usate per intero:\n"
            L"\n- riga 3: il provider ha un dominio ma non il server di posta in uscita (SMTP) o quello in arrivo: con "
            L"questo provider non si potrà mai aggiungere un indirizzo");
  EXPECT_EQ(PresetProblemsMessage({{Kind::UnreadableEncoding, 0, ""}}),
            L"Alcune righe di providers.lst non sono state usate per intero:\n"
            L"\n- il file è salvato in una codifica che il programma non sa leggere (contiene molti caratteri nulli ma "
            L"non è UTF-16): salvalo come UTF-8 o UTF-16");
}

// A settings word or a protocol of thousands of characters would stretch the
// warning off the screen: the warning shows its start and its end.
TEST(PresetProblems, AVeryLongWordIsShortened) {
  using Kind = ProviderProblem::Kind;
  const std::string word = "login=" + std::string(5000, 'x') + "END";
  const std::wstring text = PresetProblemsMessage({{Kind::BadSetting, 2, word}, {Kind::UnknownProtocol, 3, word}});
  EXPECT_LT(text.size(), 1000u) << "the warning holds the whole word";
  EXPECT_NE(text.find(L"\"login=xx"), std::wstring::npos) << "its start is gone";
  EXPECT_NE(text.find(L"x\u2026x"), std::wstring::npos) << "no \u2026 stands for the part left out";
  EXPECT_NE(text.find(L"xEND\""), std::wstring::npos) << "its end is gone";
}

TEST(PresetProblems, TenAreNamedAndTheOthersCounted) {
  for (std::size_t count : {10u, 11u, 25u}) {
    SCOPED_TRACE(count);
    std::vector<ProviderProblem> problems;
    for (std::size_t i = 1; i <= count; ++i) problems.push_back({ProviderProblem::Kind::NulByte, i, ""});
    const std::wstring text = PresetProblemsMessage(problems);
    EXPECT_NE(text.find(L"riga 10:"), std::wstring::npos);
    EXPECT_EQ(text.find(L"riga 11:"), std::wstring::npos);
    const std::size_t others = text.find(L"e altri");
    if (count == 10) {
      EXPECT_EQ(others, std::wstring::npos);
    } else {
      EXPECT_EQ(text.substr(others), L"e altri " + std::to_wstring(count - 10));
    }
  }
}

TEST_F(FormTest, TheStartUpReportNamesTenProblemsAndCountsTheOthers) {
  std::string lines;
  for (int i = 1; i <= 13; ++i) {
    const std::string n = std::to_string(i);
    lines.append("P").append(n).append(";p.it;s;p;X").append(n).append("\n");
  }
  Start(lines.c_str());
  ASSERT_EQ(startupMessages.size(), 1u);
  const std::wstring& text = startupMessages[0].text;
  EXPECT_NE(text.find(L"riga 10: il protocollo \"X10\""), std::wstring::npos) << text;
  EXPECT_EQ(text.find(L"riga 11"), std::wstring::npos) << text;
  EXPECT_EQ(text.substr(text.size() - 12), L"\n- e altri 3") << text;
}

TEST_F(FormTest, WithoutProblemsStartUpShowsNoMessage) {
  Start("A;a.it;s;p;POP3;ssl in=995 out=465 auth login=address\nB;;;;imap\n");
  EXPECT_TRUE(startupMessages.empty());
  EXPECT_TRUE(fatalErrors.empty());
}

}  // namespace
}  // namespace qbtest
