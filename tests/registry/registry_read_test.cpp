// GetRegistryValue against the real registry API: what the road through the
// registry adds to the decoding (buffer sizes and second queries, what the
// registry stores, absent values and keys, names). How bytes of each type
// decode is value_codec_test.cpp's.
#include <optional>
#include <source_location>
#include <string>
#include <vector>

#include "tests/support/registry_fixture.h"
#include "core/handles.h"

namespace {

using qb::ByteArray;
using qb::RegistryVariant;
using qbtest::WriteRaw;

class GetRegistryValueTest : public qbtest::RegistryFixture {};

RegistryVariant Get(const std::string& key, const std::string& value,
                    const std::optional<RegistryVariant>& defaultValue = std::nullopt) {
  return qb::GetRegistryValue(HKEY_CURRENT_USER, key, value, defaultValue);
}

// Stores `bytes` raw and expects them to read back as `expected`.
void ExpectReadsAs(DWORD type, const ByteArray& bytes, const RegistryVariant& expected,
                   std::source_location where = std::source_location::current()) {
  ::testing::ScopedTrace trace(where.file_name(), static_cast<int>(where.line()),
                               "type " + std::to_string(type) + ", " + std::to_string(bytes.size()) + " bytes");
  WriteRaw("Values", "v", type, bytes);
  EXPECT_EQ(Get("Values", "v"), expected);
}

std::string Letters(std::size_t n) {
  std::string s(n, ' ');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + i % 26);
  return s;
}

ByteArray Terminated(const std::string& s) {
  ByteArray b(s.begin(), s.end());
  b.push_back(0);
  return b;
}

TEST_F(GetRegistryValueTest, TextsBelowAtAndBeyondTheFirstBuffer) {
  for (std::size_t bytes : {1u, 2u, 1023u, 1024u, 1025u, 1500u, 5000u})
    ExpectReadsAs(REG_SZ, Terminated(Letters(bytes - 1)), RegistryVariant::Text(Letters(bytes - 1)));
  ExpectReadsAs(REG_SZ, {}, RegistryVariant::Text(""));
}

TEST_F(GetRegistryValueTest, TextIsReadAsStoredAndNotExpanded) {
  ExpectReadsAs(REG_SZ, {'a', 'b', 'c'}, RegistryVariant::Text("abc"));  // stored without its zero; Wine adds one
  ExpectReadsAs(REG_EXPAND_SZ, Terminated("%SystemRoot%\\mail"), RegistryVariant::Text("%SystemRoot%\\mail"));
  ExpectReadsAs(REG_EXPAND_SZ, Terminated(Letters(2000)), RegistryVariant::Text(Letters(2000)));
}

TEST_F(GetRegistryValueTest, ALongMultiTextTakesTheSecondQuery) {
  ByteArray big = Terminated(Letters(1500));
  big.insert(big.end(), {'z', 0, 0});
  ExpectReadsAs(REG_MULTI_SZ, big, RegistryVariant::Text(Letters(1500) + std::string(1, '\0') + "z"));
}

TEST_F(GetRegistryValueTest, BinaryBelowAtAndBeyondTheFirstBuffer) {
  for (std::size_t n : {1u, 1023u, 1024u, 1025u, 4097u}) {
    ByteArray b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i * 7 + 1);
    ExpectReadsAs(REG_BINARY, b, RegistryVariant::Bytes(b));
  }
}

TEST_F(GetRegistryValueTest, AnAbsentValueIsTheEmptyTextEvenWithADefault) {
  qbtest::CreateKey("Values");
  EXPECT_EQ(Get("Values", "missing"), RegistryVariant::Text(""));
  EXPECT_EQ(Get("Values", "missing", RegistryVariant::Int32(7)), RegistryVariant::Text(""));
}

TEST_F(GetRegistryValueTest, AKeyThatCannotBeOpenedGivesTheDefaultOrEmpty) {
  qbtest::WriteText("Present", "v", "here");
  EXPECT_EQ(Get("Missing", "v"), RegistryVariant());
  EXPECT_EQ(Get("Present\\Missing", "v"), RegistryVariant());
  EXPECT_EQ(Get("Missing", "v", RegistryVariant::Int32(7)), RegistryVariant::Int32(7));
  EXPECT_EQ(Get("Missing", "v", RegistryVariant::Boolean(true)), RegistryVariant::Boolean(true));
  EXPECT_EQ(Get("Missing", "v", RegistryVariant::Text("")), RegistryVariant::Text(""));
  EXPECT_FALSE(qbtest::KeyExists("Missing"));  // reading creates nothing
}

TEST_F(GetRegistryValueTest, NamesMatchWithoutRegardToCaseAndATrailingBackslash) {
  qbtest::WriteText("Mixed\\Case", "Value Name", "found");
  EXPECT_EQ(Get("MIXED\\case", "VALUE NAME"), RegistryVariant::Text("found"));
  EXPECT_EQ(Get("Mixed\\Case\\", "value name"), RegistryVariant::Text("found"));
}

// Reads ask for KEY_READ and no more: a key that grants nothing else (a
// policy key, another user's hive) must still be read. Wine honours the
// access list, so a read that asked for more would find the key closed.
TEST_F(GetRegistryValueTest, AKeyThatGrantsOnlyReadingIsReadAndListed) {
  qbtest::WriteText("Locked", "v", "read");
  qbtest::CreateKey("Locked\\Child");
  qbtest::MakeKeyReadOnly("Locked");
  qb::RegistryKeyHandle probe;
  const LONG writable = RegOpenKeyExA(HKEY_CURRENT_USER, "Locked", 0, KEY_READ | KEY_SET_VALUE, probe.put());
  probe.reset();
  const RegistryVariant value = Get("Locked", "v");
  const std::vector<std::string> names = qb::EnumRegistryKeys(HKEY_CURRENT_USER, "Locked");
  qbtest::MakeKeyWritable("Locked");  // so that the next test can clear the scratch key
  ASSERT_EQ(writable, ERROR_ACCESS_DENIED) << "the access list must refuse more than reading, or this proves nothing";
  EXPECT_EQ(value, RegistryVariant::Text("read"));
  EXPECT_EQ(names, std::vector<std::string>{"Child"});
}

}  // namespace
