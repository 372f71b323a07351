// The window as it is created: geometry, texts, tooltips, styles, fonts, focus
// order and help numbers.
#include <windows.h>
#include <commctrl.h>

#include "app/layout.h"
#include "tests/app/form_fixture.h"

namespace qbtest {
namespace {

using namespace qb;

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

TEST_F(WindowLayout, EveryControlSitsWhereTheLayoutPutsItAt96Dpi) {
  if (ScreenDpi() != 96) GTEST_SKIP() << "the screen is not at 96 DPI";
  for (const ControlSpec& spec : kLayout) {
    SCOPED_TRACE(spec.name);
    const RECT r = ClientRectOf(Ctl(spec.id));
    // 15 twips make a pixel: the table's numbers divided by 15, frame offsets added.
    int left = spec.left, top = spec.top;
    if (spec.container) {
      left += SpecOf(spec.container).left;
      top += SpecOf(spec.container).top;
    }
    EXPECT_EQ(r.left, left / 15);
    EXPECT_EQ(r.top, top / 15);
    EXPECT_EQ(r.right - r.left, spec.width / 15);
    EXPECT_EQ(r.bottom - r.top, spec.height / 15);
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
  ASSERT_EQ(GetMenuItemCount(menu), 1);
  wchar_t caption[32];
  GetMenuStringW(menu, 0, caption, 32, MF_BYPOSITION);
  EXPECT_STREQ(caption, L"Aiuto");
  EXPECT_EQ(GetSubMenu(menu, 0), nullptr);

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

TEST_F(WindowLayout, CaptionsAndTooltipsAreThoseOfTheLayout) {
  EXPECT_EQ(Text(kFrame1), L"Indirizzi già configurati in Outlook Express:");
  EXPECT_EQ(Text(kLabel9), L"La password verrà richiesta al primo collegamento con Outlook Express");
  EXPECT_EQ(Text(kBtnAggiungi), L"Aggiungi indirizzo");
  for (const ControlSpec& spec : kLayout) {
    SCOPED_TRACE(spec.name);
    const bool hasCaption =
        spec.kind == ControlKind::Frame || spec.kind == ControlKind::Label || spec.kind == ControlKind::Button;
    if (hasCaption && spec.id != kLabelInbound) {
      EXPECT_EQ(Text(spec.id), spec.caption);
    }
    EXPECT_EQ(TooltipOf(Ctl(spec.id)), spec.tooltip ? spec.tooltip : L"<none>");
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
  EXPECT_EQ(GetWindowLongW(Ctl(kLabel8), GWL_STYLE) & SS_TYPEMASK, SS_RIGHT);
  EXPECT_EQ(GetWindowLongW(Ctl(kLabel9), GWL_STYLE) & SS_TYPEMASK, SS_CENTER);
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
  for (const ControlSpec& spec : kLayout) EXPECT_EQ(GetWindowContextHelpId(Ctl(spec.id)), spec.helpId) << spec.name;
  EXPECT_EQ(GetWindowContextHelpId(Ctl(kBtnChiudi)), 10008u);
  EXPECT_EQ(GetWindowContextHelpId(Ctl(kNome)), 10008u);
  EXPECT_EQ(GetWindowContextHelpId(Ctl(kLista)), 10001u);
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
