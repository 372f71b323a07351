#pragma once
// The fixture of the registry tests: every test starts from an empty scratch
// HKEY_CURRENT_USER and ends with no key handle of the operations left open,
// whichever path it took. Header only (it needs GoogleTest, which the rest of
// tests/support does not).
#include <gtest/gtest.h>

#include <source_location>
#include <string>

#include "core/app_error.h"
#include "registry/registry_ops.h"
#include "tests/support/registry_helpers.h"

namespace qbtest {

class RegistryFixture : public ::testing::Test {
 protected:
  void SetUp() override { ClearScratchHkcu(); }
  void TearDown() override { EXPECT_EQ(qb::OpenRegistryHandleCount(), 0) << "a key handle outlived its call"; }
};

// Runs `call`, which must raise AppError 1001 with `description`, and checks that
// no handle is left open afterwards.
template <typename Call>
void ExpectError1001(Call&& call, const std::string& description,
                     std::source_location where = std::source_location::current()) {
  ::testing::ScopedTrace trace(where.file_name(), static_cast<int>(where.line()), "expected error 1001");
  try {
    call();
    ADD_FAILURE() << "no error raised";
  } catch (const qb::AppError& e) {
    EXPECT_EQ(e.number(), 1001);
    EXPECT_EQ(e.description(), description);
  }
  EXPECT_EQ(qb::OpenRegistryHandleCount(), 0);
}

}  // namespace qbtest
