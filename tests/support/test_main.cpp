// The main of every test suite. Before any test runs, HKEY_CURRENT_USER is
// redirected to a fresh scratch key so that no test reads or changes the real
// per-user registry of whoever runs it; the scratch key is deleted at the end.
#include <windows.h>

#include <cstdio>
#include <memory>

#include <gtest/gtest.h>

#include "tests/support/scratch_hkcu.h"

namespace {

class ScratchHkcuEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    scratch_ = std::make_unique<qbtest::ScratchHkcu>("Software\\QuillbeckTests", std::vector<std::string>{""});
    if (!scratch_->ok()) {
      std::fprintf(stderr, "cannot redirect HKEY_CURRENT_USER to a scratch key\n");
      std::fflush(stderr);
      ExitProcess(3);  // never run a test against the real registry
    }
  }
  void TearDown() override { scratch_.reset(); }

 private:
  std::unique_ptr<qbtest::ScratchHkcu> scratch_;
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new ScratchHkcuEnvironment);
  return RUN_ALL_TESTS();
}
