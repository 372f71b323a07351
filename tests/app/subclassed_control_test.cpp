// The owner of a subclassed control: messages go through the program's
// procedure to the control's own, until the control or the owner goes.
#include "app/subclassed_control.h"

#include <gtest/gtest.h>

#include <vector>

namespace qbtest {
namespace {

using qb::SubclassedControl;

struct Seen {
  std::vector<UINT> messages;
};

// Records each message, answers WM_USER itself and passes the rest on.
LRESULT Record(void* context, const SubclassedControl& owner, HWND hwnd, UINT msg, WPARAM wParam,
               LPARAM lParam) noexcept {
  static_cast<Seen*>(context)->messages.push_back(msg);
  if (msg == WM_USER) return 42;
  return owner.CallOriginal(hwnd, msg, wParam, lParam);
}

class Subclassed : public ::testing::Test {
 protected:
  void SetUp() override {
    list_ = CreateWindowExW(0, L"LISTBOX", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(list_, nullptr);
    systemProc_ = GetWindowLongPtrW(list_, GWLP_WNDPROC);
  }
  void TearDown() override {
    if (IsWindow(list_)) DestroyWindow(list_);
  }
  HWND list_{};
  LONG_PTR systemProc_{};
  Seen seen_;
};

TEST_F(Subclassed, MessagesPassThroughTheProgramsProcedureToTheControlsOwn) {
  SubclassedControl owner;
  owner.Attach(list_, &Record, &seen_);
  EXPECT_EQ(owner.hwnd(), list_);
  EXPECT_EQ(SendMessageW(list_, WM_USER, 0, 0), 42);
  EXPECT_EQ(SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"row")), 0);
  EXPECT_EQ(SendMessageW(list_, LB_GETCOUNT, 0, 0), 1);  // the list's own procedure answered
  EXPECT_EQ(seen_.messages, (std::vector<UINT>{WM_USER, LB_ADDSTRING, LB_GETCOUNT}));
}

TEST_F(Subclassed, DetachingOrEndingTheOwnerGivesTheControlItsOwnProcedureBack) {
  {
    SubclassedControl owner;
    owner.Attach(list_, &Record, &seen_);
    EXPECT_NE(GetWindowLongPtrW(list_, GWLP_WNDPROC), systemProc_);
  }
  EXPECT_EQ(GetWindowLongPtrW(list_, GWLP_WNDPROC), systemProc_);
  EXPECT_EQ(GetWindowLongPtrW(list_, GWLP_USERDATA), 0);
  SendMessageW(list_, WM_USER, 0, 0);
  EXPECT_TRUE(seen_.messages.empty());
}

TEST_F(Subclassed, TheOwnerForgetsAControlThatWasDestroyed) {
  SubclassedControl owner;
  owner.Attach(list_, &Record, &seen_);
  DestroyWindow(list_);
  EXPECT_EQ(owner.hwnd(), nullptr);
  owner.Detach();  // nothing left to give back
}

TEST_F(Subclassed, TwoControlsKeepTheirOwnOriginalProcedures) {
  HWND combo = CreateWindowExW(0, L"COMBOBOX", L"", WS_POPUP | CBS_DROPDOWN, 0, 0, 100, 200, nullptr, nullptr, nullptr,
                               nullptr);
  ASSERT_NE(combo, nullptr);
  SubclassedControl listOwner, comboOwner;
  listOwner.Attach(list_, &Record, &seen_);
  comboOwner.Attach(combo, &Record, &seen_);
  SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"a"));
  SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"b"));
  SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"c"));
  EXPECT_EQ(SendMessageW(list_, LB_GETCOUNT, 0, 0), 1);
  EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 2);
  DestroyWindow(combo);
}

}  // namespace
}  // namespace qbtest
