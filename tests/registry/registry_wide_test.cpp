// The wide-name operations: keys that another program named with letters the
// ANSI code page lacks are listed, read and deleted by their real names; and
// no operation, of either width, leaves a real handle of the process open.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/registry_fixture.h"

namespace {

using qb::RegistryVariant;
using WideNames = std::vector<std::wstring>;

const HKEY kHkcu = HKEY_CURRENT_USER;

WideNames Sorted(WideNames names) {
  std::sort(names.begin(), names.end());
  return names;
}

class WideRegistryTest : public qbtest::RegistryFixture {
 protected:
  // In the ANSI code page 1252 the first two meet as "(KX) luk@x.pl"; the third
  // has no ANSI name at all.
  void SetUp() override {
    RegistryFixture::SetUp();
    qbtest::WriteText(L"R\\(KX) \u0142uk@x.pl", L"SMTP Email Address", L"\u0142uk@x.pl");
    qbtest::WriteText(L"R\\(KX) luk@x.pl", L"SMTP Email Address", L"luk@x.pl");
    qbtest::WriteText(L"R\\OE-\u03A9mega", L"SMTP Email Address", L"omega@x.pl");
  }
};

TEST_F(WideRegistryTest, LooksAlikeAreListedAndReadWithTheirOwnLetters) {
  EXPECT_EQ(Sorted(qb::EnumRegistryKeys(kHkcu, std::wstring(L"R"))),
            (WideNames{L"(KX) luk@x.pl", L"(KX) \u0142uk@x.pl", L"OE-\u03A9mega"}));
  const struct {
    const wchar_t* key;
    RegistryVariant expected;
  } reads[] = {
      {L"R\\(KX) \u0142uk@x.pl", RegistryVariant::WideText(L"\u0142uk@x.pl")},
      {L"r\\(kx) LUK@X.PL", RegistryVariant::WideText(L"luk@x.pl")},
      {L"R\\missing", RegistryVariant()},
  };
  for (const auto& read : reads)
    EXPECT_EQ(qb::GetRegistryValue(kHkcu, read.key, L"smtp email address"), read.expected) << read.key;
  EXPECT_EQ(qb::GetRegistryValue(kHkcu, L"R\\OE-\u03A9mega", L"absent"), RegistryVariant::WideText(L""));
}

TEST_F(WideRegistryTest, ADeletionTakesExactlyItsOwnKey) {
  EXPECT_EQ(qb::DeleteRegistryKey(kHkcu, std::wstring(L"R\\(KX) \u0142uk@x.pl")), qb::KeyDeletion::Deleted);
  EXPECT_EQ(Sorted(qbtest::SubKeys(L"R")), (WideNames{L"(KX) luk@x.pl", L"OE-\u03A9mega"}));
  EXPECT_EQ(qb::DeleteRegistryKey(kHkcu, std::wstring(L"R\\(KX) \u0142uk@x.pl")), qb::KeyDeletion::Missing);
  EXPECT_TRUE(qb::RegistryKeyReadable(kHkcu, std::wstring(L"R\\OE-\u03A9mega")));
  EXPECT_FALSE(qb::RegistryKeyReadable(kHkcu, std::wstring(L"R\\(KX) \u0142uk@x.pl")));
}

// The process's real handles, not the module's bookkeeping: a key handle that
// an operation forgot to close shows here whoever opened it.
TEST_F(WideRegistryTest, NoOperationLeavesARealHandleOpen) {
  qbtest::WriteText("A\\Key", "v", "text");
  const std::vector<std::pair<const char*, std::function<void()>>> operations = {
      {"wide enumeration", [] { qb::EnumRegistryKeys(kHkcu, std::wstring(L"R")); }},
      {"wide read", [] { qb::GetRegistryValue(kHkcu, L"R\\OE-\u03A9mega", L"SMTP Email Address"); }},
      {"wide readable", [] { qb::RegistryKeyReadable(kHkcu, std::wstring(L"R\\OE-\u03A9mega")); }},
      {"wide deletion", [] { qb::DeleteRegistryKey(kHkcu, std::wstring(L"R\\(KX) luk@x.pl")); }},
      {"enumeration", [] { qb::EnumRegistryKeys(kHkcu, "A"); }},
      {"read", [] { qb::GetRegistryValue(kHkcu, "A\\Key", "v"); }},
      {"write", [] { qb::SetRegistryValue(kHkcu, "A\\Key", "w", RegistryVariant::Text("x")); }},
      {"creation", [] { qb::CreateRegistryKey(kHkcu, "A\\New"); }},
      {"value deletion", [] { qb::DeleteRegistryValue(kHkcu, "A\\Key", "w"); }},
      {"deletion", [] { qb::DeleteRegistryKey(kHkcu, "A\\New"); }},
      {"unsupported kind", [] {
         try {
           qb::SetRegistryValue(kHkcu, "A\\Key", "b", RegistryVariant::Boolean(true));
         } catch (const qb::AppError&) {
         }
       }},
  };
  // The first exception of the process opens handles of the runtime's own
  // (two under Wine), which the error path below must not be charged with.
  try {
    throw qb::AppError(0, "");
  } catch (const qb::AppError&) {
  }
  for (const auto& [what, operation] : operations) {
    const std::size_t before = qbtest::ProcessHandleCount();
    operation();
    EXPECT_EQ(qbtest::ProcessHandleCount(), before) << what;
  }
}

}  // namespace
