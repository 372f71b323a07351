// CreateRegistryKey, SetRegistryValue(s), EnumRegistryKeys and DeleteRegistryKey
// against the real registry API, checked with independent raw reads.
#include <algorithm>
#include <source_location>
#include <string>
#include <vector>

#include "tests/support/registry_fixture.h"
#include "core/handles.h"

namespace {

using qb::ByteArray;
using qb::RegistryVariant;
using qbtest::CreateVolatileKey;  // the registry refuses to create a lasting key below it
using qbtest::KeyExists;
using qbtest::SubKeys;
using qbtest::ValueNames;
using Names = std::vector<std::string>;

const HKEY kHkcu = HKEY_CURRENT_USER;

void ExpectStored(const std::string& key, const std::string& value, DWORD type, const ByteArray& bytes,
                  std::source_location where = std::source_location::current()) {
  ::testing::ScopedTrace trace(where.file_name(), static_cast<int>(where.line()), key + " / " + value);
  const qbtest::RawValue raw = qbtest::ReadRaw(key, value);
  ASSERT_TRUE(raw.exists);
  EXPECT_EQ(raw.type, type);
  EXPECT_EQ(raw.bytes, bytes);
}

// Makes paths that the registry will not create: a lasting key below a volatile
// one, and a name far longer than a key name may be.
Names MakeUncreatablePaths() {
  CreateVolatileKey("Volatile");
  return {"Volatile\\Child", "Deep\\" + std::string(300, 'n')};
}

class CreateRegistryKeyTest : public qbtest::RegistryFixture {};

TEST_F(CreateRegistryKeyTest, CreatesEveryMissingLevelAndSaysWhetherTheKeyWasThere) {
  EXPECT_FALSE(qb::CreateRegistryKey(kHkcu, "A\\B\\C"));
  EXPECT_TRUE(KeyExists("A") && KeyExists("A\\B") && KeyExists("A\\B\\C"));
  EXPECT_TRUE(qb::CreateRegistryKey(kHkcu, "A\\B\\C"));
  EXPECT_TRUE(qb::CreateRegistryKey(kHkcu, "A\\B"));
  EXPECT_TRUE(qb::CreateRegistryKey(kHkcu, "a\\b\\c"));
  EXPECT_FALSE(qb::CreateRegistryKey(kHkcu, "A\\B\\D"));
  EXPECT_EQ(SubKeys("A\\B"), (Names{"C", "D"}));
}

TEST_F(CreateRegistryKeyTest, ATrailingBackslashNamesTheSameKey) {
  EXPECT_FALSE(qb::CreateRegistryKey(kHkcu, "T\\"));
  EXPECT_TRUE(qb::CreateRegistryKey(kHkcu, "T"));
  EXPECT_TRUE(qb::CreateRegistryKey(kHkcu, "T\\"));
  EXPECT_EQ(SubKeys(""), Names{"T"});
  EXPECT_TRUE(SubKeys("T").empty());
}

TEST_F(CreateRegistryKeyTest, ARefusalRaisesError1001) {
  for (const std::string& path : MakeUncreatablePaths()) {
    SCOPED_TRACE(path.substr(0, 20));
    qbtest::ExpectError1001([&] { qb::CreateRegistryKey(kHkcu, path); }, "Unable to create the registry key");
    EXPECT_FALSE(KeyExists(path));
  }
}

class SetRegistryValueTest : public qbtest::RegistryFixture {};

TEST_F(SetRegistryValueTest, StoresEachAcceptedKindWithItsRegistryType) {
  struct Case {
    RegistryVariant value;
    DWORD type;
    ByteArray bytes;
  };
  const Case cases[] = {
      // One value of each kind: the bytes of every kind are value_codec_test.cpp's.
      {RegistryVariant::Int16(3), REG_DWORD, {3, 0, 0, 0}},
      {RegistryVariant::Int32(0x01020304), REG_DWORD, {4, 3, 2, 1}},
      {RegistryVariant::Text("abc"), REG_SZ, {0x61, 0x62, 0x63, 0}},
      {RegistryVariant::Bytes({1, 0, 2}), REG_BINARY, {1, 0, 2}},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string name = std::string("v").append(std::to_string(n++));
    SCOPED_TRACE(name);
    EXPECT_TRUE(qb::SetRegistryValue(kHkcu, "Kinds", name, c.value));
    ExpectStored("Kinds", name, c.type, c.bytes);
  }
  EXPECT_EQ(ValueNames("Kinds").size(), std::size(cases));
}

TEST_F(SetRegistryValueTest, WrittenValuesReadBack) {
  ASSERT_TRUE(qb::SetRegistryValue(kHkcu, "RT", "t", RegistryVariant::Text(std::string(3000, 'w'))));
  ASSERT_TRUE(qb::SetRegistryValue(kHkcu, "RT", "i", RegistryVariant::Int16(-5)));
  ASSERT_TRUE(qb::SetRegistryValue(kHkcu, "RT", "e", RegistryVariant::Text("")));
  EXPECT_EQ(qb::GetRegistryValue(kHkcu, "RT", "t"), RegistryVariant::Text(std::string(3000, 'w')));
  EXPECT_EQ(qb::GetRegistryValue(kHkcu, "RT", "i"), RegistryVariant::Int32(-5));
  EXPECT_EQ(qb::GetRegistryValue(kHkcu, "RT", "e"), RegistryVariant::Text(""));
}

TEST_F(SetRegistryValueTest, CreatesEveryMissingKeyOfThePath) {
  EXPECT_TRUE(qb::SetRegistryValue(kHkcu, "P\\Q\\R\\", "v", RegistryVariant::Text("x")));
  EXPECT_EQ(SubKeys("P\\Q"), Names{"R"});
  ExpectStored("P\\Q\\R", "v", REG_SZ, {'x', 0});
}

TEST_F(SetRegistryValueTest, ReplacesTheValueWhateverTheCaseOfItsNames) {
  qbtest::WriteText("Case\\Key", "Val", "old");
  EXPECT_TRUE(qb::SetRegistryValue(kHkcu, "CASE\\key", "VAL", RegistryVariant::Int16(0)));
  EXPECT_EQ(ValueNames("Case\\Key"), Names{"Val"});
  ExpectStored("Case\\Key", "Val", REG_DWORD, {0, 0, 0, 0});
}

TEST_F(SetRegistryValueTest, AnUnsupportedKindCreatesTheKeyButWritesNothing) {
  const RegistryVariant refused[] = {RegistryVariant(), RegistryVariant::Boolean(true), RegistryVariant::Double(2.5)};
  for (const RegistryVariant& value : refused) {
    SCOPED_TRACE(static_cast<int>(value.kind()));
    qbtest::ClearScratchHkcu();
    qbtest::WriteText("Old", "v", "kept");
    qbtest::ExpectError1001([&] { qb::SetRegistryValue(kHkcu, "New\\Key", "v", value); }, "Unsupported value type");
    EXPECT_TRUE(KeyExists("New\\Key"));
    EXPECT_TRUE(ValueNames("New\\Key").empty());
    qbtest::ExpectError1001([&] { qb::SetRegistryValue(kHkcu, "Old", "v", value); }, "Unsupported value type");
    ExpectStored("Old", "v", REG_SZ, {'k', 'e', 'p', 't', 0});
  }
}

TEST_F(SetRegistryValueTest, ARefusedKeyOrWriteGivesFalse) {
  for (const std::string& path : MakeUncreatablePaths()) {
    SCOPED_TRACE(path.substr(0, 20));
    EXPECT_FALSE(qb::SetRegistryValue(kHkcu, path, "v", RegistryVariant::Text("x")));
    EXPECT_FALSE(KeyExists(path));
  }
  // A value name far beyond the registry's limit is refused by the write itself.
  EXPECT_FALSE(qb::SetRegistryValue(kHkcu, "W", std::string(20000, 'v'), RegistryVariant::Text("x")));
  EXPECT_TRUE(ValueNames("W").empty());
}

class SetRegistryValuesTest : public qbtest::RegistryFixture {};

TEST_F(SetRegistryValuesTest, WritesEachValueItMayAndSaysWhetherTheKeyWasThere) {
  for (const char* before : {"", "m\\n"}) {  // no key, or the key in another letter case
    SCOPED_TRACE(before);
    qbtest::ClearScratchHkcu();
    if (*before) qbtest::CreateKey(before);
    const qb::KeyValuesWrite write = qb::SetRegistryValues(kHkcu, "M\\N", {{"a", RegistryVariant::Text("xy")},
        {std::string(20000, 'v'), RegistryVariant::Text("z")}, {"b", RegistryVariant::Int16(7)}});
    EXPECT_EQ(write.existed, *before != '\0');
    EXPECT_EQ(write.written, (std::vector<bool>{true, false, true}));
    EXPECT_EQ(ValueNames("M\\N"), (Names{"a", "b"}));
    ExpectStored("M\\N", "a", REG_SZ, {'x', 'y', 0});
    ExpectStored("M\\N", "b", REG_DWORD, {7, 0, 0, 0});
  }
}

TEST_F(SetRegistryValuesTest, AReadOnlyKeyRefusesEveryValueButAKeyMadeBelowItTakesThem) {
  qbtest::CreateKey("RO");
  qbtest::MakeKeyReadOnly("RO");
  const qb::KeyValuesWrite write = qb::SetRegistryValues(kHkcu, "RO", {{"a", RegistryVariant::Text("1")}});
  const qb::KeyValuesWrite below = qb::SetRegistryValues(kHkcu, "RO\\New", {{"a", RegistryVariant::Text("1")}});
  qbtest::MakeKeyWritable("RO");
  EXPECT_TRUE(write.existed && !write.written[0] && ValueNames("RO").empty());
  EXPECT_TRUE(!below.existed && below.written[0]);
  ExpectStored("RO\\New", "a", REG_SZ, {'1', 0});
}

TEST_F(SetRegistryValuesTest, AnUncreatableKeyOrAnUnsupportedKindRaisesError1001AndMakesNoKey) {
  for (const std::string& path : MakeUncreatablePaths())
    qbtest::ExpectError1001([&] { qb::SetRegistryValues(kHkcu, path, {{"v", RegistryVariant::Text("x")}}); },
                            "Unable to create the registry key");
  qbtest::ExpectError1001(
      [&] { qb::SetRegistryValues(kHkcu, "U", {{"a", RegistryVariant::Text("x")}, {"b", RegistryVariant::Double(1)}}); },
      "Unsupported value type");
  EXPECT_FALSE(KeyExists("U"));
}

class EnumRegistryKeysTest : public qbtest::RegistryFixture {
 protected:
  void SetUp() override {
    RegistryFixture::SetUp();
    for (const char* k : {"R\\b", "R\\(KX) x@y.it", "R\\a", "R\\c\\deep"}) qbtest::CreateKey(k);
  }
  const Names expected_ = {"(KX) x@y.it", "a", "b", "c"};
};

Names Sorted(Names n) {
  std::sort(n.begin(), n.end());
  return n;
}

TEST_F(EnumRegistryKeysTest, ListsTheDirectSubKeysInTheRegistrysOrder) {
  const Names listed = qb::EnumRegistryKeys(kHkcu, "R");
  EXPECT_EQ(listed, SubKeys("R"));
  EXPECT_EQ(Sorted(listed), expected_);
  EXPECT_EQ(qb::EnumRegistryKeys(kHkcu, "r\\"), listed);
  EXPECT_EQ(qb::EnumRegistryKeys(kHkcu, "R\\c"), Names{"deep"});
}

TEST_F(EnumRegistryKeysTest, AnEmptyOrMissingKeyGivesNoNames) {
  EXPECT_TRUE(qb::EnumRegistryKeys(kHkcu, "R\\a").empty());
  EXPECT_TRUE(qb::EnumRegistryKeys(kHkcu, "Missing").empty());
  EXPECT_TRUE(qb::EnumRegistryKeys(kHkcu, "R\\Missing\\").empty());
}

TEST_F(EnumRegistryKeysTest, TheLongestKeyNameIsListedWhole) {
  const std::string longest(255, 'L');
  qbtest::CreateKey("Long\\" + longest);
  EXPECT_EQ(qb::EnumRegistryKeys(kHkcu, "Long"), Names{longest});
}

TEST_F(EnumRegistryKeysTest, AnEmptyKeyNameListsTheGivenHandleAndLeavesItOpen) {
  EXPECT_EQ(qb::EnumRegistryKeys(kHkcu, ""), Names{"R"});
  qb::RegistryKeyHandle r;
  ASSERT_EQ(RegOpenKeyExA(kHkcu, "R", 0, KEY_READ, r.put()), ERROR_SUCCESS);
  EXPECT_EQ(Sorted(qb::EnumRegistryKeys(r.get(), "")), expected_);
  EXPECT_EQ(qb::EnumRegistryKeys(r.get(), "c"), Names{"deep"});  // paths are relative to the handle
  char name[260];
  EXPECT_EQ(RegEnumKeyA(r.get(), 0, name, sizeof name), ERROR_SUCCESS) << "the caller's handle was closed";
}

// Key names that are longer in the ANSI code page than the 260 bytes the
// enumeration reads exist only where characters take two bytes. This test
// needs code page 932 and fails without it: CTest runs it only in
// registry_tests_cp932, under a Japanese locale, with the other enumeration
// tests (by hand: LC_ALL=ja_JP.UTF-8, see tests/registry/CMakeLists.txt).
class EnumRegistryKeysCodePage932Test : public EnumRegistryKeysTest {};

TEST_F(EnumRegistryKeysCodePage932Test, ANameTooLongInAnsiIsSkippedAndTheRestListed) {
  ASSERT_EQ(GetACP(), 932u) << "this test needs the ANSI code page 932 (a Japanese locale)";
  // 200 hiragana: 201 characters, well within the key name limit, 401 bytes in ANSI.
  // "!" sorts first, so that every other name comes after it.
  for (const std::wstring& name : {L"R\\!" + std::wstring(200, L'\u3042'), L"R\\bb" + std::wstring(200, L'\u3042')}) {
    qb::RegistryKeyHandle k;
    ASSERT_EQ(RegCreateKeyExW(kHkcu, name.c_str(), 0, nullptr, 0, KEY_READ, nullptr, k.put(), nullptr), ERROR_SUCCESS);
  }
  qb::RegistryKeyHandle r;
  ASSERT_EQ(RegOpenKeyExA(kHkcu, "R", 0, KEY_READ, r.put()), ERROR_SUCCESS);
  char probe[260];
  const LONG first = RegEnumKeyA(r.get(), 0, probe, sizeof probe);
  r.reset();
  ASSERT_EQ(first, ERROR_MORE_DATA) << "the long name must not fit, or this test proves nothing";
  EXPECT_EQ(Sorted(qb::EnumRegistryKeys(kHkcu, "R")), expected_);
}

class DeleteRegistryKeyTest : public qbtest::RegistryFixture {};

TEST_F(DeleteRegistryKeyTest, DeletesOnlyTheNamedKey) {
  qbtest::CreateKey("D\\Leaf");
  qbtest::CreateKey("D\\Other");
  EXPECT_EQ(qb::DeleteRegistryKey(kHkcu, "d\\LEAF"), qb::KeyDeletion::Deleted);
  EXPECT_EQ(SubKeys("D"), Names{"Other"});
}

TEST_F(DeleteRegistryKeyTest, AKeyWithSubKeysIsRefusedAndKeptWhole) {
  qbtest::CreateKey("D\\Parent\\Child");
  qbtest::WriteText("D\\Parent", "v", "kept");
  EXPECT_EQ(qb::DeleteRegistryKey(kHkcu, "D\\Parent"), qb::KeyDeletion::Refused);
  EXPECT_EQ(SubKeys("D\\Parent"), Names{"Child"});
  EXPECT_EQ(ValueNames("D\\Parent"), Names{"v"});
}

TEST_F(DeleteRegistryKeyTest, AMissingKeyIsNoError) {
  qbtest::CreateKey("D\\Other");
  EXPECT_EQ(qb::DeleteRegistryKey(kHkcu, "D\\Missing"), qb::KeyDeletion::Missing);
  EXPECT_EQ(qb::DeleteRegistryKey(kHkcu, "Missing\\Deeper"), qb::KeyDeletion::Missing);
  EXPECT_EQ(SubKeys(""), Names{"D"});
  EXPECT_EQ(SubKeys("D"), Names{"Other"});
}

// Paths longer than the 260 characters that Wine's ANSI registry calls take in
// one piece: an account key of a 252-character name below the accounts root,
// and a path of several long names. The test reaches them with the wide calls,
// which take any length.
class LongPathTest : public qbtest::RegistryFixture {
 protected:
  static std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }
  static void CreateWide(const std::string& path) {
    qb::RegistryKeyHandle k;
    ASSERT_EQ(RegCreateKeyExW(kHkcu, Wide(path).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, k.put(), nullptr),
              ERROR_SUCCESS);
  }
  static bool ExistsWide(const std::string& path) {
    qb::RegistryKeyHandle k;
    return RegOpenKeyExW(kHkcu, Wide(path).c_str(), 0, KEY_READ, k.put()) == ERROR_SUCCESS;
  }
  static std::wstring TextWide(const std::string& path, const wchar_t* value) {
    wchar_t data[64] = {};
    DWORD size = sizeof data - sizeof(wchar_t);
    if (RegGetValueW(kHkcu, Wide(path).c_str(), value, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS) return L"?";
    return data;
  }

  const std::string root_ = "SOFTWARE\\Microsoft\\Internet Account Manager\\Accounts\\";
  const std::string name_ = "(KX) " + std::string(240, 'k') + "@odd.it";
  const std::string account_ = root_ + name_;
  const std::string deep_ = "Deep\\" + std::string(200, 'a') + "\\" + std::string(200, 'b') + "\\" + std::string(200, 'c');
};

TEST_F(LongPathTest, EveryOperationReachesTheKey) {
  ASSERT_EQ(name_.size(), 252u);
  CreateWide(account_);
  EXPECT_TRUE(qb::SetRegistryValue(kHkcu, account_, "SMTP Email Address", RegistryVariant::Text("k@odd.it")));
  EXPECT_EQ(TextWide(account_, L"SMTP Email Address"), L"k@odd.it");
  EXPECT_EQ(qb::GetRegistryValue(kHkcu, account_, "SMTP Email Address"), RegistryVariant::Text("k@odd.it"));
  EXPECT_EQ(qb::GetRegistryValue(kHkcu, account_ + "\\", "smtp email address"), RegistryVariant::Text("k@odd.it"));
  EXPECT_TRUE(qb::CreateRegistryKey(kHkcu, account_));
  EXPECT_FALSE(qb::CreateRegistryKey(kHkcu, account_ + "\\Sub"));
  EXPECT_TRUE(qb::CreateRegistryKey(kHkcu, account_ + "\\sub\\"));
  EXPECT_EQ(qb::EnumRegistryKeys(kHkcu, account_), Names{"Sub"});
  EXPECT_EQ(qb::EnumRegistryKeys(kHkcu, root_), Names{name_});
  EXPECT_EQ(qb::DeleteRegistryKey(kHkcu, account_), qb::KeyDeletion::Refused);  // it has a sub-key
  EXPECT_EQ(qb::DeleteRegistryKey(kHkcu, account_ + "\\Sub"), qb::KeyDeletion::Deleted);
  EXPECT_EQ(qb::DeleteRegistryKey(kHkcu, account_), qb::KeyDeletion::Deleted);
  EXPECT_FALSE(ExistsWide(account_));
  EXPECT_TRUE(ExistsWide(root_));
  EXPECT_EQ(qb::DeleteRegistryKey(kHkcu, account_), qb::KeyDeletion::Missing);
  EXPECT_EQ(qb::GetRegistryValue(kHkcu, account_, "SMTP Email Address"), RegistryVariant());
}

TEST_F(LongPathTest, APathOfSeveralLongNamesIsCreatedAndWrittenWhole) {
  EXPECT_FALSE(qb::CreateRegistryKey(kHkcu, deep_));
  EXPECT_TRUE(ExistsWide(deep_));
  EXPECT_EQ(SubKeys("Deep"), Names{std::string(200, 'a')});
  EXPECT_TRUE(qb::SetRegistryValue(kHkcu, deep_ + "\\d", "v", RegistryVariant::Text("x")));
  EXPECT_EQ(TextWide(deep_ + "\\d", L"v"), L"x");
  EXPECT_EQ(qb::EnumRegistryKeys(kHkcu, deep_), Names{"d"});
  EXPECT_EQ(qb::DeleteRegistryKey(kHkcu, deep_ + "\\d"), qb::KeyDeletion::Deleted);
  EXPECT_EQ(qb::EnumRegistryKeys(kHkcu, deep_), Names{});
  EXPECT_EQ(qb::DeleteRegistryKey(kHkcu, deep_ + "\\missing\\e"), qb::KeyDeletion::Missing);
}

TEST_F(LongPathTest, ANameFarLongerThanAKeyNameMayBeIsStillRefused) {
  const std::string tooLong = root_ + std::string(300, 'n');
  qbtest::ExpectError1001([&] { qb::CreateRegistryKey(kHkcu, tooLong); }, "Unable to create the registry key");
  EXPECT_FALSE(qb::SetRegistryValue(kHkcu, tooLong, "v", RegistryVariant::Text("x")));
  EXPECT_EQ(qb::GetRegistryValue(kHkcu, tooLong, "v"), RegistryVariant());
  EXPECT_FALSE(ExistsWide(tooLong));
}

}  // namespace
