// Filling list and combo boxes, and the topmost placement.
#include "app/window_utils.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qbtest {
namespace {

using qb::ArrayToListBox;

class ListFill : public ::testing::Test {
 protected:
  void SetUp() override {
    parent_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 300, 300, nullptr, nullptr, nullptr, nullptr);
    list_ = CreateWindowExW(0, L"LISTBOX", L"", WS_CHILD | LBS_NOTIFY, 0, 0, 100, 100, parent_, nullptr, nullptr, nullptr);
    combo_ = CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | CBS_DROPDOWN, 0, 0, 100, 200, parent_, nullptr, nullptr,
                             nullptr);
    edit_ = CreateWindowExW(0, L"EDIT", L"keep", WS_CHILD, 0, 0, 100, 20, parent_, nullptr, nullptr, nullptr);
  }
  void TearDown() override { DestroyWindow(parent_); }

  static std::vector<std::string> Items(HWND h) {
    wchar_t cls[16];
    GetClassNameW(h, cls, 16);
    const bool isList = lstrcmpiW(cls, L"ListBox") == 0;
    std::vector<std::string> out;
    const int n = static_cast<int>(SendMessageA(h, isList ? LB_GETCOUNT : CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
      char text[256] = {};
      SendMessageA(h, isList ? LB_GETTEXT : CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
      out.push_back(text);
    }
    return out;
  }

  HWND parent_{}, list_{}, combo_{}, edit_{};
  const std::vector<std::string> names_{"c", "a", "b", "\xE0 gi\xE0"};
};

TEST_F(ListFill, OmittedBoundsAppendTheWholeArrayInOrder) {
  ArrayToListBox(list_, names_, false);
  EXPECT_EQ(Items(list_), names_);
  ArrayToListBox(combo_, names_, false);
  EXPECT_EQ(Items(combo_), names_);
}

TEST_F(ListFill, WithoutClearingNewItemsFollowTheOldOnes) {
  ArrayToListBox(list_, {"old"}, false);
  ArrayToListBox(list_, names_, false, 1, 2);
  EXPECT_EQ(Items(list_), (std::vector<std::string>{"old", "a", "b"}));
  ArrayToListBox(combo_, {"old"}, false);
  ArrayToListBox(combo_, names_, true, 2);
  EXPECT_EQ(Items(combo_), (std::vector<std::string>{"b", "\xE0 gi\xE0"}));
}

TEST_F(ListFill, FirstPastLastAddsNothingAndClearingStillEmpties) {
  ArrayToListBox(list_, names_, false);
  ArrayToListBox(list_, names_, false, 3, 1);
  EXPECT_EQ(Items(list_).size(), 4u);
  ArrayToListBox(list_, names_, true, 3, 1);
  EXPECT_TRUE(Items(list_).empty());
}

TEST_F(ListFill, BoundsOutsideTheArrayAreClippedAndAnEmptyArrayAddsNothing) {
  ArrayToListBox(list_, names_, false, -5, 99);
  EXPECT_EQ(Items(list_), names_);
  ArrayToListBox(combo_, std::vector<std::string>{}, true);
  EXPECT_TRUE(Items(combo_).empty());
}

TEST_F(ListFill, AnyOtherControlIsLeftAlone) {
  ArrayToListBox(edit_, names_, true);
  wchar_t text[16];
  GetWindowTextW(edit_, text, 16);
  EXPECT_STREQ(text, L"keep");
  ArrayToListBox(nullptr, names_, true);
}

// A window class that is not a list box but answers every list box message:
// the fill goes by the kind of control, not by what a control would accept.
WNDPROC g_listProc = nullptr;
LRESULT CALLBACK LookAlikeProc(HWND h, UINT m, WPARAM w, LPARAM l) { return CallWindowProcW(g_listProc, h, m, w, l); }

HWND CreateListLookAlike(HWND parent) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  GetClassInfoExW(nullptr, L"LISTBOX", &wc);
  g_listProc = wc.lpfnWndProc;
  wc.lpfnWndProc = LookAlikeProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"QbListLookAlike";
  RegisterClassExW(&wc);
  return CreateWindowExW(0, wc.lpszClassName, L"", WS_CHILD, 0, 0, 100, 100, parent, nullptr, wc.hInstance, nullptr);
}

TEST_F(ListFill, AControlOfAnotherKindThatTakesListMessagesIsLeftAlone) {
  HWND lookAlike = CreateListLookAlike(parent_);
  ASSERT_NE(lookAlike, nullptr);
  SendMessageA(lookAlike, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("own row"));
  ASSERT_EQ(SendMessageA(lookAlike, LB_GETCOUNT, 0, 0), 1);  // it does take list messages
  ArrayToListBox(lookAlike, names_, true);
  EXPECT_EQ(SendMessageA(lookAlike, LB_GETCOUNT, 0, 0), 1);
  EXPECT_EQ(SendMessageA(lookAlike, LB_GETHORIZONTALEXTENT, 0, 0), 0);
}

// How far the list scrolls sideways after each fill: as far as its widest row,
// measured here in the list's font, plus a few pixels of margin.
TEST_F(ListFill, TheListScrollsSidewaysAsFarAsItsWidestRow) {
  const std::string longRow = std::string(190, 'm') + "@quillbeck.it (Default)";
  const std::string shortRow = "a@b.it";
  auto width = [this](const std::string& row) {
    HDC dc = GetDC(list_);
    SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(list_, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32A(dc, row.data(), static_cast<int>(row.size()), &size);
    ReleaseDC(list_, dc);
    return static_cast<int>(size.cx);
  };
  struct Fill {
    std::vector<std::string> rows;
    bool clear;
    const std::string* widest;  // nullptr: no row at all
  };
  const Fill fills[] = {
      {{shortRow, longRow, shortRow}, true, &longRow},
      {{shortRow}, true, &shortRow},   // narrower rows: the reach shrinks again
      {{longRow}, false, &longRow},    // rows added to the old ones widen it
      {{shortRow}, false, &longRow},   // and the old long row still counts
      {{}, true, nullptr},
  };
  for (const Fill& fill : fills) {
    ArrayToListBox(list_, fill.rows, fill.clear);
    const int extent = static_cast<int>(SendMessageW(list_, LB_GETHORIZONTALEXTENT, 0, 0));
    if (!fill.widest) {
      EXPECT_EQ(extent, 0);
      continue;
    }
    const int needed = width(*fill.widest);
    EXPECT_GE(extent, needed) << fill.widest->size() << "-character row";
    EXPECT_LE(extent, needed + 8) << fill.widest->size() << "-character row";
  }
}

TEST_F(ListFill, DrawingResumesAfterTheFill) {
  ShowWindow(parent_, SW_SHOWNOACTIVATE);
  ShowWindow(list_, SW_SHOW);
  ArrayToListBox(list_, names_, true);
  // WM_SETREDRAW off clears WS_VISIBLE; it must be back on afterwards.
  EXPECT_TRUE(GetWindowLongW(list_, GWL_STYLE) & WS_VISIBLE);
  // No window of the desktop stays locked: a new lock can be taken.
  EXPECT_TRUE(LockWindowUpdate(edit_));
  LockWindowUpdate(nullptr);
}

std::int32_t HandleNumber(HWND w) { return static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(w)); }

TEST(Topmost, TheHandlePutsTheWindowOnTopOrTakesItOutKeepingItsPlaceAndShowsIt) {
  HWND w = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 40, 50, 120, 80, nullptr, nullptr, nullptr, nullptr);
  ASSERT_FALSE(IsWindowVisible(w));
  qb::SetAlwaysOnTopMode(HandleNumber(w), true);
  EXPECT_TRUE(IsWindowVisible(w));
  EXPECT_TRUE(GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST);

  qb::SetAlwaysOnTopMode(HandleNumber(w), false);
  EXPECT_FALSE(GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST);
  qb::SetAlwaysOnTopMode(HandleNumber(w), true);
  EXPECT_TRUE(GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST);

  ShowWindow(w, SW_HIDE);
  qb::SetAlwaysOnTopMode(HandleNumber(w), false);
  EXPECT_TRUE(IsWindowVisible(w));
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r.left, 40);
  EXPECT_EQ(r.top, 50);
  EXPECT_EQ(r.right - r.left, 120);
  EXPECT_EQ(r.bottom - r.top, 80);
  DestroyWindow(w);
}

}  // namespace
}  // namespace qbtest
