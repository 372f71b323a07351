// The main of every test suite. Before any test runs, HKEY_CURRENT_USER is
// redirected to a fresh scratch key so that no test reads or changes the real
// per-user registry of whoever runs it; the scratch key is deleted at the end.
#include <windows.h>

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/scratch_registry.h"

namespace {

const char kScratchParent[] = "Software\\QuillbeckTests";

class ScratchHkcu : public ::testing::Environment {
 public:
  void SetUp() override {
    path_ = std::string(kScratchParent) + "\\run-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(GetTickCount());
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &scratch_,
                        nullptr) != ERROR_SUCCESS ||
        RegOverridePredefKey(HKEY_CURRENT_USER, scratch_) != ERROR_SUCCESS) {
      std::fprintf(stderr, "cannot redirect HKEY_CURRENT_USER to a scratch key\n");
      std::fflush(stderr);
      ExitProcess(3);  // never run a test against the real registry
    }
  }
  void TearDown() override {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCloseKey(scratch_);
    qbtest::DeleteTree(HKEY_CURRENT_USER, path_);
    HKEY parent;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kScratchParent, 0, KEY_READ, &parent) == ERROR_SUCCESS) {
      DWORD subkeys = 0;
      RegQueryInfoKeyA(parent, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                       nullptr, nullptr);
      RegCloseKey(parent);
      if (subkeys == 0) RegDeleteKeyA(HKEY_CURRENT_USER, kScratchParent);
    }
  }

 private:
  std::string path_;
  HKEY scratch_ = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new ScratchHkcu);
  return RUN_ALL_TESTS();
}
