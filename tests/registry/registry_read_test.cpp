// GetRegistryValue against the real registry API: every stored type and size.
#include <optional>
#include <source_location>
#include <string>

#include "tests/support/registry_fixture.h"

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

RegistryVariant Text(const char* s, std::size_t n) { return RegistryVariant::Text(std::string(s, n)); }

TEST_F(GetRegistryValueTest, TextsBelowAtAndBeyondTheFirstBuffer) {
  for (std::size_t bytes : {1u, 2u, 1023u, 1024u, 1025u, 1500u, 5000u})
    ExpectReadsAs(REG_SZ, Terminated(Letters(bytes - 1)), RegistryVariant::Text(Letters(bytes - 1)));
  ExpectReadsAs(REG_SZ, {}, RegistryVariant::Text(""));
}

TEST_F(GetRegistryValueTest, TextKeepsInnerZerosAndIsNotExpanded) {
  ExpectReadsAs(REG_SZ, {'a', 0, 'b', 0}, Text("a\0b", 3));
  ExpectReadsAs(REG_SZ, {'a', 'b', 'c'}, RegistryVariant::Text("abc"));  // stored without its zero; Wine adds one
  ExpectReadsAs(REG_EXPAND_SZ, Terminated("%SystemRoot%\\mail"), RegistryVariant::Text("%SystemRoot%\\mail"));
  ExpectReadsAs(REG_EXPAND_SZ, Terminated(Letters(2000)), RegistryVariant::Text(Letters(2000)));
}

TEST_F(GetRegistryValueTest, MultiTextsAreJoinedByZeroCharacters) {
  ExpectReadsAs(REG_MULTI_SZ, {'a', 0, 'b', 0, 0}, Text("a\0b", 3));
  ExpectReadsAs(REG_MULTI_SZ, {'a', 0}, RegistryVariant::Text("a"));
  ExpectReadsAs(REG_MULTI_SZ, {}, RegistryVariant::Text(""));
  ByteArray big = Terminated(Letters(1500));
  big.insert(big.end(), {'z', 0, 0});
  ExpectReadsAs(REG_MULTI_SZ, big, RegistryVariant::Text(Letters(1500) + std::string(1, '\0') + "z"));
}

TEST_F(GetRegistryValueTest, DwordsAreLittleEndianAndShortOnesZeroExtended) {
  ExpectReadsAs(REG_DWORD, {3, 0, 0, 0}, RegistryVariant::Int32(3));
  ExpectReadsAs(REG_DWORD, {0xFE, 0xFF, 0xFF, 0xFF}, RegistryVariant::Int32(-2));
  ExpectReadsAs(REG_DWORD, {0x78, 0x56, 0x34, 0x12, 0xAA, 0xBB}, RegistryVariant::Int32(0x12345678));
  ExpectReadsAs(REG_DWORD, {0x34, 0x12}, RegistryVariant::Int32(0x1234));
  ExpectReadsAs(REG_DWORD, {}, RegistryVariant::Text(""));
}

TEST_F(GetRegistryValueTest, BinaryIsExactlyTheStoredBytes) {
  ExpectReadsAs(REG_BINARY, {1, 2, 3}, RegistryVariant::Bytes({1, 2, 3}));
  for (std::size_t n : {1u, 1023u, 1024u, 1025u, 4097u}) {
    ByteArray b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i * 7 + 1);
    ExpectReadsAs(REG_BINARY, b, RegistryVariant::Bytes(b));
  }
  ExpectReadsAs(REG_BINARY, {}, RegistryVariant::Text(""));
}

TEST_F(GetRegistryValueTest, UndecodedTypesReadAsTheEmptyText) {
  ExpectReadsAs(REG_NONE, {'a', 0}, RegistryVariant::Text(""));
  ExpectReadsAs(REG_DWORD_BIG_ENDIAN, {0, 0, 0, 3}, RegistryVariant::Text(""));
  ExpectReadsAs(REG_LINK, {'\\', 0, 'x', 0}, RegistryVariant::Text(""));
  ExpectReadsAs(11 /* REG_QWORD */, {1, 0, 0, 0, 0, 0, 0, 0}, RegistryVariant::Text(""));
  ExpectReadsAs(0x1234, {1, 2}, RegistryVariant::Text(""));
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

}  // namespace
