// The window as it is created: geometry, texts, tooltips, styles, fonts, focus
// order and help numbers.
#include <windows.h>
#include <commctrl.h>

#include <iterator>

#include "app/layout.h"
#include "tests/support/form_fixture.h"
#include "tests/support/registry_helpers.h"
#include "accounts/account_layout.h"

namespace qbtest {
namespace {

using namespace qb;

// What the window must show, written out here rather than read from the
// program's own layout table: place and size in the client area in pixels at
// 96 DPI, caption (nullptr: not checked: fields, and LabelInbound, which
// follows the preset), tooltip (nullptr: none) and help number.
struct Expected {
  ControlId id;
  const char* name;
  int left, top, width, height;
  const wchar_t* caption;
  const wchar_t* tooltip;
  DWORD helpId;
};

// clang-format off
constexpr Expected kExpected[] = {
    {kFrame1, "Frame1", 8, 7, 365, 170, L"Indirizzi già configurati in Outlook Express:", nullptr, 0},
    {kLista, "lista", 16, 31, 349, 108, nullptr,
     L"Questi sono gli indirizzi di posta già configurati su Outlook Express", 10001},
    {kBtnCancella, "btn_cancella", 16, 147, 349, 21, L"Rimuovi indirizzo",
     L"Rimuovi da Outlook Express l'indirizzo selezionato", 10002},
    {kFrame2, "Frame2", 8, 184, 365, 249, L"Configura i seguenti indirizzi:", nullptr, 0},
    {kLabel8, "Label8", 12, 212, 85, 13, L"Provider:", nullptr, 0},
    {kProvider, "provider", 104, 208, 261, 21, nullptr, L"Seleziona il provider", 10003},
    {kLabel3, "Label3", 28, 244, 69, 17, L"Username:", nullptr, 0},
    {kUsername, "username", 104, 240, 133, 21, nullptr, L"Inserisci lo username assegnato dal provider", 10004},
    {kLabel10, "Label10", 240, 240, 17, 25, L"@", nullptr, 0},
    {kDominio, "dominio", 256, 240, 109, 21, nullptr, L"Inserisci il dominio del provider", 10005},
    {kLabel9, "Label9", 12, 272, 357, 33, L"La password verrà richiesta al primo collegamento con Outlook Express",
     nullptr, 0},
    {kLabelInbound, "LabelInbound", 12, 312, 85, 17, nullptr, nullptr, 0},
    {kPopserver, "popserver", 104, 308, 261, 21, nullptr, L"Inserisci il server di scaricamento", 10006},
    {kLabel5, "Label5", 12, 344, 85, 21, L"SMTP Server:", nullptr, 0},
    {kSmtpserver, "smtpserver", 104, 340, 261, 21, nullptr, L"Inserisci il server di spedizione posta", 10007},
    {kLabel6, "Label6", 16, 376, 81, 17, L"Nome (Alias):", nullptr, 0},
    {kNome, "nome", 104, 372, 261, 21, nullptr, L"Inserisci il tuo nome e cognome o alias", 10008},
    {kBtnAggiungi, "btn_aggiungi", 18, 404, 193, 21, L"Aggiungi indirizzo",
     L"Aggiungi un nuovo indirizzo con i dati inseriti", 10009},
    {kBtnChiudi, "btn_chiudi", 224, 404, 141, 21, L"Chiudi", L"Chiudi l'applicazione", 10008},
};
// clang-format on

TEST(LayoutTable, HoldsTheseControlsAndTheirPixelsAt96Dpi) {
  ASSERT_EQ(kLayout.size(), std::size(kExpected));
  for (std::size_t i = 0; i < kLayout.size(); ++i) {
    const Expected& want = kExpected[i];
    const ControlSpec& spec = kLayout[i];
    SCOPED_TRACE(want.name);
    EXPECT_EQ(spec.id, want.id);
    EXPECT_STREQ(spec.name, want.name);
    const RECT r = ControlRectPixels(spec, 96);
    EXPECT_EQ(r.left, want.left);
    EXPECT_EQ(r.top, want.top);
    EXPECT_EQ(r.right - r.left, want.width);
    EXPECT_EQ(r.bottom - r.top, want.height);
    // 15 twips make a pixel at 96 DPI: with every number a whole pixel, the
    // pixels above fix the twips.
    for (int twips : {spec.left, spec.top, spec.width, spec.height}) EXPECT_EQ(twips % 15, 0) << twips;
  }
  EXPECT_EQ(kClientWidthTwips, 381 * 15);
  EXPECT_EQ(kClientHeightTwips, 441 * 15);
  EXPECT_STREQ(SpecOf(kLabelInbound).caption, L"POP3 Server:");  // until a preset is applied
}

class WindowLayout : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    Start();
  }
  RECT ClientRectOf(HWND h) {
    RECT r;
    GetWindowRect(h, &r);
    MapWindowPoints(nullptr, form().hwnd(), reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
  std::wstring TooltipOf(HWND h) {
    wchar_t buffer[512] = {};
    TOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.hwnd = form().hwnd();
    ti.uId = reinterpret_cast<UINT_PTR>(h);
    ti.lpszText = buffer;
    if (!SendMessageW(form().tooltip(), TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&ti))) return L"<none>";
    SendMessageW(form().tooltip(), TTM_GETTEXTW, 512, reinterpret_cast<LPARAM>(&ti));
    return buffer;
  }
};

TEST_F(WindowLayout, EveryControlSitsAtItsPlaceAt96Dpi) {
  if (ScreenDpi() != 96) GTEST_SKIP() << "the screen is not at 96 DPI";
  for (const Expected& want : kExpected) {
    SCOPED_TRACE(want.name);
    const RECT r = ClientRectOf(Ctl(want.id));
    EXPECT_EQ(r.left, want.left);
    EXPECT_EQ(r.top, want.top);
    EXPECT_EQ(r.right - r.left, want.width);
    EXPECT_EQ(r.bottom - r.top, want.height);
  }
  RECT client;
  GetClientRect(form().hwnd(), &client);
  EXPECT_EQ(client.right, 381);
  EXPECT_EQ(client.bottom, 441);
}

TEST_F(WindowLayout, TwipsScaleWithTheScreenDensity) {
  const ControlSpec& nome = SpecOf(kNome);
  const RECT at144 = ControlRectPixels(nome, 144);
  EXPECT_EQ(at144.left, (120 + 1440) / 10);
  EXPECT_EQ(at144.right - at144.left, 3915 / 10 + 1);  // edges, not sizes, are rounded
  EXPECT_EQ(TwipsToPixels(kClientWidthTwips, 120), 476);
}

TEST_F(WindowLayout, TheWindowHasAFixedBorderAMenuAndNoDefaultButton) {
  HWND w = form().hwnd();
  const LONG style = GetWindowLongW(w, GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_FALSE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_TRUE(GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(IsWindowVisible(w));
  wchar_t title[64];
  GetWindowTextW(w, title, 64);
  EXPECT_STREQ(title, L"Configurazione Mail");

  HMENU menu = GetMenu(w);
  ASSERT_NE(menu, nullptr);
  // Two command items without drop-downs, help last.
  ASSERT_EQ(GetMenuItemCount(menu), 2);
  const wchar_t* const captions[] = {L"Verifica", L"Aiuto"};
  const UINT ids[] = {201, 200};
  for (int i = 0; i < 2; ++i) {
    wchar_t caption[32];
    GetMenuStringW(menu, static_cast<UINT>(i), caption, 32, MF_BYPOSITION);
    EXPECT_STREQ(caption, captions[i]);
    EXPECT_EQ(GetMenuItemID(menu, i), ids[i]);
    EXPECT_EQ(GetSubMenu(menu, i), nullptr);
  }

  for (ControlId id : {kBtnCancella, kBtnAggiungi, kBtnChiudi})
    EXPECT_EQ(GetWindowLongW(Ctl(id), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON) << SpecOf(id).name;
  EXPECT_EQ(SendMessageW(w, DM_GETDEFID, 0, 0), 0);
}

TEST_F(WindowLayout, TheWindowIsCentredOnTheScreen) {
  RECT r;
  GetWindowRect(form().hwnd(), &r);
  EXPECT_NEAR((r.left + r.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
  EXPECT_NEAR((r.top + r.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
}

TEST_F(WindowLayout, ControlsShowTheirCaptionsAndTooltips) {
  for (const Expected& want : kExpected) {
    SCOPED_TRACE(want.name);
    if (want.caption) {
      EXPECT_EQ(Text(want.id), want.caption);
    }
    EXPECT_EQ(TooltipOf(Ctl(want.id)), want.tooltip ? want.tooltip : L"<none>");
  }
  HWND comboEdit = FindWindowExW(Ctl(kProvider), nullptr, L"Edit", nullptr);
  EXPECT_EQ(TooltipOf(comboEdit), L"Seleziona il provider");
}

TEST_F(WindowLayout, ControlsHaveTheirKindsStyles) {
  const LONG combo = GetWindowLongW(Ctl(kProvider), GWL_STYLE);
  EXPECT_EQ(combo & 0x3, CBS_DROPDOWN);  // editable, not a list only
  EXPECT_FALSE(combo & CBS_SORT);
  const LONG list = GetWindowLongW(Ctl(kLista), GWL_STYLE);
  EXPECT_FALSE(list & LBS_SORT);
  EXPECT_FALSE(list & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL));
  EXPECT_TRUE(list & LBS_NOTIFY);
  for (ControlId id : {kUsername, kDominio, kPopserver, kSmtpserver, kNome}) {
    SCOPED_TRACE(SpecOf(id).name);
    const LONG style = GetWindowLongW(Ctl(id), GWL_STYLE);
    EXPECT_FALSE(style & (ES_PASSWORD | ES_MULTILINE | ES_READONLY));
    EXPECT_GE(SendMessageW(Ctl(id), EM_GETLIMITTEXT, 0, 0), 0x7FFFFFFE);  // no length limit
  }
  for (ControlId id : {kBtnCancella, kBtnAggiungi, kBtnChiudi})
    EXPECT_TRUE(GetWindowLongW(Ctl(id), GWL_STYLE) & BS_NOTIFY);
}

bool HorizontalBarShown(HWND list) {
  SCROLLBARINFO bar{};
  bar.cbSize = sizeof bar;
  return GetScrollBarInfo(list, static_cast<LONG>(OBJID_HSCROLL), &bar) &&
         !(bar.rgstate[0] & STATE_SYSTEM_INVISIBLE);
}

// The end of a 202-character address and its " (Default)" can be scrolled
// into view; once the long row is gone, so is the scroll bar.
class AccountListSideways : public FormTest {};

TEST_F(AccountListSideways, ALongAddressCanBeScrolledToItsEnd) {
  const std::string address = std::string(190, 'm') + "@quillbeck.it";  // 203 characters
  WriteText(AccountKeyPath("(KX) long"), "SMTP Email Address", address);
  WriteText(AccountKeyPath("(KX) short"), "SMTP Email Address", "a@b.it");
  Start();
  HWND lista = Ctl(kLista);
  EXPECT_TRUE(HorizontalBarShown(lista));
  SendMessageW(lista, WM_HSCROLL, SB_RIGHT, 0);
  SCROLLINFO info{sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
  GetScrollInfo(lista, SB_HORZ, &info);
  RECT client{};
  GetClientRect(lista, &client);
  EXPECT_GT(info.nPos, client.right);  // scrolled by more than a whole list's width
  EXPECT_EQ(info.nPos, info.nMax - static_cast<int>(info.nPage) + 1);

  DeleteTree(HKEY_CURRENT_USER, AccountKeyPath("(KX) long"));
  form().UpdateForm();
  EXPECT_FALSE(HorizontalBarShown(lista));
}

TEST_F(WindowLayout, EachLabelIsAlignedAsTheWindowShowsIt) {
  const struct {
    ControlId id;
    const char* name;
    LONG align;
  } labels[] = {{kLabel8, "Label8", SS_RIGHT},  {kLabel3, "Label3", SS_RIGHT},   {kLabel10, "Label10", SS_LEFT},
                {kLabel9, "Label9", SS_CENTER}, {kLabelInbound, "LabelInbound", SS_RIGHT},
                {kLabel5, "Label5", SS_RIGHT},  {kLabel6, "Label6", SS_RIGHT}};
  for (const auto& label : labels)
    EXPECT_EQ(GetWindowLongW(Ctl(label.id), GWL_STYLE) & SS_TYPEMASK, label.align) << label.name;
}

TEST_F(WindowLayout, TextLongerThanItsFieldCanBeTyped) {
  // A one-line field without automatic scrolling takes no more characters
  // than it can show.
  const std::wstring typed(200, L'w');
  for (ControlId id : {kUsername, kDominio, kPopserver, kSmtpserver, kNome, kProvider}) {
    SCOPED_TRACE(SpecOf(id).name);
    EnableWindow(Ctl(id), TRUE);
    HWND field = id == kProvider ? FindWindowExW(Ctl(id), nullptr, L"Edit", nullptr) : Ctl(id);
    SetFocus(field);
    SendMessageW(field, EM_SETSEL, 0, -1);
    for (wchar_t c : typed) SendMessageW(field, WM_CHAR, c, 1);
    EXPECT_EQ(Text(id), typed);
  }
}

TEST_F(WindowLayout, ControlsUseVerdanaAndTheAtSignIsBigAndBold) {
  auto fontOf = [&](ControlId id) {
    LOGFONTW lf{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Ctl(id), WM_GETFONT, 0, 0)), sizeof lf, &lf);
    return lf;
  };
  const int dpi = ScreenDpi();
  for (ControlId id : {kLista, kProvider, kNome, kBtnChiudi, kLabel9, kFrame2}) {
    const LOGFONTW lf = fontOf(id);
    EXPECT_STREQ(lf.lfFaceName, L"Verdana") << SpecOf(id).name;
    EXPECT_EQ(lf.lfHeight, -MulDiv(825, dpi, 7200)) << SpecOf(id).name;
    EXPECT_EQ(lf.lfWeight, FW_NORMAL) << SpecOf(id).name;
  }
  const LOGFONTW at = fontOf(kLabel10);
  EXPECT_STREQ(at.lfFaceName, L"Verdana");
  EXPECT_EQ(at.lfHeight, -MulDiv(12, dpi, 72));
  EXPECT_EQ(at.lfWeight, FW_BOLD);
}

TEST_F(WindowLayout, TabVisitsTheControlsInFocusOrderAndCycles) {
  for (const ControlSpec& spec : kLayout) EnableWindow(Ctl(spec.id), TRUE);
  std::vector<int> visited;
  HWND h = Ctl(kLista);
  for (int i = 0; i < 11; ++i) {
    visited.push_back(GetDlgCtrlID(h));
    h = GetNextDlgTabItem(form().hwnd(), h, FALSE);
  }
  const std::vector<int> expected = {kLista,      kBtnCancella, kProvider, kUsername,    kDominio,  kPopserver,
                                     kSmtpserver, kNome,        kBtnAggiungi, kBtnChiudi, kLista};
  EXPECT_EQ(visited, expected);
}

TEST_F(WindowLayout, FocusableControlsCarryTheirHelpNumbers) {
  for (const Expected& want : kExpected) EXPECT_EQ(GetWindowContextHelpId(Ctl(want.id)), want.helpId) << want.name;
  HWND comboEdit = FindWindowExW(Ctl(kProvider), nullptr, L"Edit", nullptr);
  EXPECT_EQ(GetWindowContextHelpId(comboEdit), 10003u);
}

TEST_F(WindowLayout, TheEnterKeyInAFieldAddsNothing) {
  ChooseProvider(0);
  Type(kUsername, L"mario");
  ASSERT_TRUE(Enabled(kBtnAggiungi));
  SetForegroundWindow(form().hwnd());
  for (ControlId id : {kUsername, kNome, kProvider}) {
    SCOPED_TRACE(SpecOf(id).name);
    Focus(id);
    Pump();
    Keys({{VK_RETURN}});
    EXPECT_TRUE(Rows().empty());  // nothing was added
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(Text(kUsername), L"mario");
    EXPECT_EQ(endedCount, 0);
  }
  Keys({{VK_ESCAPE}});
  EXPECT_TRUE(IsWindow(form().hwnd()));
  EXPECT_EQ(endedCount, 0);
}

TEST_F(WindowLayout, EnterAndEscMeanNothingToTheWindow) {
  ChooseProvider(0);
  Type(kUsername, L"mario");
  ASSERT_TRUE(Enabled(kBtnAggiungi));
  form().OnCommand(IDOK, BN_CLICKED, nullptr);
  form().OnCommand(IDCANCEL, BN_CLICKED, nullptr);
  SendMessageW(form().hwnd(), WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(IsWindow(form().hwnd()));
  EXPECT_EQ(endedCount, 0);
  EXPECT_TRUE(Rows().empty());  // nothing was added
  EXPECT_EQ(Text(kUsername), L"mario");
}

TEST_F(WindowLayout, ChiudiAndTheCloseBoxEndTheProgramWithoutAQuestion) {
  Type(kUsername, L"typed but not added");
  Press(kBtnChiudi);
  EXPECT_EQ(endedCount, 1);
  EXPECT_TRUE(messages.empty());
}

TEST_F(WindowLayout, ClosingTheWindowEndsTheProgram) {
  SendMessageW(form().hwnd(), WM_CLOSE, 0, 0);
  EXPECT_EQ(endedCount, 1);
}

}  // namespace
}  // namespace qbtest
