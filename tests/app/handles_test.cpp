// The owners of system handles: each handle released once, on every path.
#include "core/handles.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace qbtest {
namespace {

// A handle kind whose "none" is -1 (as a file's INVALID_HANDLE_VALUE), with
// every release recorded.
std::vector<int> released;
struct CountedTraits {
  using Handle = int;
  static Handle none() { return -1; }
  static void Release(Handle h) { released.push_back(h); }
};
using Counted = qb::UniqueHandle<CountedTraits>;

TEST(UniqueHandle, ReleasesItsHandleOnceWhereverItGoes) {
  released.clear();
  {
    Counted none;
    EXPECT_FALSE(none.valid());
    Counted zero(0);  // 0 is a handle for this kind
    EXPECT_TRUE(zero.valid());
    Counted moved(std::move(zero));
    EXPECT_FALSE(zero.valid());
    Counted assigned(7);
    assigned = std::move(moved);  // 7 goes, 0 stays
    EXPECT_EQ(released, std::vector<int>{7});
    assigned.reset(8);  // 0 goes
    EXPECT_EQ(assigned.get(), 8);
    Counted given(9);
    EXPECT_EQ(given.release(), 9);  // someone else owns 9 now
  }
  EXPECT_EQ(released, (std::vector<int>{7, 0, 8}));
}

TEST(UniqueHandle, AWindowAndAMenuAreDestroyedWithTheirOwner) {
  HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  HMENU menu = CreateMenu();
  ASSERT_TRUE(IsWindow(window));
  ASSERT_TRUE(IsMenu(menu));
  {
    qb::WindowHandle ownedWindow(window);
    qb::MenuHandle ownedMenu(menu);
  }
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(IsMenu(menu));
  // A window that went already is not destroyed again.
  HWND gone = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  qb::WindowHandle owner(gone);
  DestroyWindow(gone);
  owner.reset();
  EXPECT_FALSE(owner.valid());
}

}  // namespace
}  // namespace qbtest
