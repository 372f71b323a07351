// A window message costs no heap allocation: the window procedure runs its
// handler directly. Every operator new of this suite is counted: the
// replacement below serves the whole program.
#include <cstdlib>
#include <new>

#include "tests/support/form_fixture.h"

namespace {
long allocations = 0;  // the tests and the window share one thread
}  // namespace

void* operator new(std::size_t size) {
  ++allocations;
  if (void* block = std::malloc(size ? size : 1)) return block;
  throw std::bad_alloc();
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

namespace qbtest {
namespace {

TEST_F(FormTest, AWindowMessageAllocatesNothing) {
  Start();
  for (UINT message : {WM_NULL, WM_MOUSEMOVE, WM_NCHITTEST}) {
    const long before = allocations;
    SendMessageW(form().hwnd(), message, 0, 0);
    EXPECT_EQ(allocations, before) << "message 0x" << std::hex << message;
  }
}

}  // namespace
}  // namespace qbtest
