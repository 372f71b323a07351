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
