// Decoding of queried bytes and encoding of values to store; pure byte work.
// Each rule of a type is tested here once; the registry tests
// (registry_read_test.cpp, registry_write_test.cpp) add what the road through
// the registry adds: sizes around the first buffer, what the registry stores.
#include "registry/value_codec.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using qb::ByteArray;
using qb::DecodeRegistryValue;
using qb::EncodeRegistryValue;
using qb::RegistryVariant;
namespace regtype = qb::regtype;

RegistryVariant Decode(std::uint32_t type, const ByteArray& bytes) {
  return DecodeRegistryValue(type, bytes.data(), bytes.size());
}

RegistryVariant Text(const char* s, std::size_t n) { return RegistryVariant::Text(std::string(s, n)); }

// Used as EXPECT_TRUE(Encodes(...)), so a failure names the caller's line.
::testing::AssertionResult Encodes(const RegistryVariant& value, std::uint32_t type, const ByteArray& bytes) {
  const auto encoded = EncodeRegistryValue(value);
  if (!encoded) return ::testing::AssertionFailure() << "refused";
  if (encoded->type != type || encoded->bytes != bytes)
    return ::testing::AssertionFailure() << "type " << encoded->type << ", " << ::testing::PrintToString(encoded->bytes);
  return ::testing::AssertionSuccess();
}

TEST(DecodeText, DropsTheTerminatingZeroOnlyWhenThere) {
  EXPECT_EQ(Decode(regtype::kSz, {'a', 'b', 'c', 0}), RegistryVariant::Text("abc"));
  EXPECT_EQ(Decode(regtype::kSz, {'a', 'b', 'c'}), RegistryVariant::Text("abc"));
  EXPECT_EQ(Decode(regtype::kSz, {'x'}), RegistryVariant::Text("x"));
  EXPECT_EQ(Decode(regtype::kSz, {0}), RegistryVariant::Text(""));
  // Only one terminator is dropped; the zero before it is part of the text.
  EXPECT_EQ(Decode(regtype::kSz, {'a', 'b', 0, 0}), Text("ab\0", 3));
}

TEST(DecodeText, KeepsInnerZerosAndDoesNotExpand) {
  EXPECT_EQ(Decode(regtype::kSz, {'a', 0, 'b', 0}), Text("a\0b", 3));
  EXPECT_EQ(Decode(regtype::kExpandSz, {'%', 'T', '%'}), RegistryVariant::Text("%T%"));
}

TEST(DecodeText, ReadsNoByteBeyondTheReturnedSize) {
  const ByteArray buffer = {'a', 'b', 'c', 'X', 'Y', 0};
  EXPECT_EQ(DecodeRegistryValue(regtype::kSz, buffer.data(), 3), RegistryVariant::Text("abc"));
  EXPECT_EQ(DecodeRegistryValue(regtype::kMultiSz, buffer.data(), 2), RegistryVariant::Text("ab"));
}

TEST(DecodeMultiText, DropsUpToTwoClosingZeros) {
  EXPECT_EQ(Decode(regtype::kMultiSz, {'a', 0, 'b', 0, 0}), Text("a\0b", 3));
  EXPECT_EQ(Decode(regtype::kMultiSz, {'a', 0, 'b', 0}), Text("a\0b", 3));
  EXPECT_EQ(Decode(regtype::kMultiSz, {'a', 0}), RegistryVariant::Text("a"));
  EXPECT_EQ(Decode(regtype::kMultiSz, {'a'}), RegistryVariant::Text("a"));
  EXPECT_EQ(Decode(regtype::kMultiSz, {'a', 0, 0, 0}), Text("a\0", 2));
  EXPECT_EQ(Decode(regtype::kMultiSz, {0, 0}), RegistryVariant::Text(""));
  EXPECT_EQ(Decode(regtype::kMultiSz, {0}), RegistryVariant::Text(""));
}

TEST(DecodeDword, LittleEndianFromTheFirstFourBytes) {
  EXPECT_EQ(Decode(regtype::kDword, {3, 0, 0, 0}), RegistryVariant::Int32(3));
  EXPECT_EQ(Decode(regtype::kDword, {0x78, 0x56, 0x34, 0x12}), RegistryVariant::Int32(0x12345678));
  EXPECT_EQ(Decode(regtype::kDword, {0xFF, 0xFF, 0xFF, 0xFF}), RegistryVariant::Int32(-1));
  EXPECT_EQ(Decode(regtype::kDword, {0xFE, 0xFF, 0xFF, 0xFF}), RegistryVariant::Int32(-2));
  EXPECT_EQ(Decode(regtype::kDword, {0, 0, 0, 0x80}), RegistryVariant::Int32(INT32_MIN));
  EXPECT_EQ(Decode(regtype::kDword, {1, 0, 0, 0, 9, 9, 9, 9}), RegistryVariant::Int32(1));
}

TEST(DecodeDword, AShortValueIsZeroExtended) {
  const ByteArray buffer = {0x34, 0x12, 0xEE, 0xEE};  // bytes past the size are not the value's
  EXPECT_EQ(DecodeRegistryValue(regtype::kDword, buffer.data(), 2), RegistryVariant::Int32(0x1234));
  EXPECT_EQ(DecodeRegistryValue(regtype::kDword, buffer.data(), 1), RegistryVariant::Int32(0x34));
  EXPECT_EQ(DecodeRegistryValue(regtype::kDword, buffer.data(), 3), RegistryVariant::Int32(0xEE1234));
}

TEST(DecodeBinary, ExactlyTheReturnedBytes) {
  EXPECT_EQ(Decode(regtype::kBinary, {1, 2, 3}), RegistryVariant::Bytes({1, 2, 3}));
  EXPECT_EQ(Decode(regtype::kBinary, {0, 0}), RegistryVariant::Bytes({0, 0}));
  const ByteArray buffer = {7, 8, 9, 10};
  EXPECT_EQ(DecodeRegistryValue(regtype::kBinary, buffer.data(), 2), RegistryVariant::Bytes({7, 8}));
}

TEST(DecodeAnyType, ZeroBytesGiveTheEmptyText) {
  for (std::uint32_t type : {regtype::kNone, regtype::kSz, regtype::kExpandSz, regtype::kBinary, regtype::kDword,
                             regtype::kMultiSz, regtype::kDwordBigEndian}) {
    SCOPED_TRACE(type);
    EXPECT_EQ(DecodeRegistryValue(type, nullptr, 0), RegistryVariant::Text(""));
  }
}

TEST(DecodeAnyType, UndecodedTypesGiveTheEmptyText) {
  const ByteArray data = {'a', 'b', 0, 0, 0, 0, 0, 0};
  for (std::uint32_t type : {regtype::kNone, regtype::kDwordBigEndian, regtype::kLink, 8u, 11u, 0x1234u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(type);
    EXPECT_EQ(Decode(type, data), RegistryVariant::Text(""));
  }
}

TEST(Encode, IntegersAreFourLittleEndianBytesWidenedWithTheirSign) {
  EXPECT_TRUE(Encodes(RegistryVariant::Int16(3), regtype::kDword, {3, 0, 0, 0}));
  EXPECT_TRUE(Encodes(RegistryVariant::Int16(-1), regtype::kDword, {0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_TRUE(Encodes(RegistryVariant::Int16(INT16_MIN), regtype::kDword, {0x00, 0x80, 0xFF, 0xFF}));
  EXPECT_TRUE(Encodes(RegistryVariant::Int16(0x1234), regtype::kDword, {0x34, 0x12, 0, 0}));
  EXPECT_TRUE(Encodes(RegistryVariant::Int32(0x12345678), regtype::kDword, {0x78, 0x56, 0x34, 0x12}));
  EXPECT_TRUE(Encodes(RegistryVariant::Int32(-2), regtype::kDword, {0xFE, 0xFF, 0xFF, 0xFF}));
}

TEST(Encode, TextGetsOneTerminatingZero) {
  EXPECT_TRUE(Encodes(RegistryVariant::Text("abc"), regtype::kSz, {0x61, 0x62, 0x63, 0}));
  EXPECT_TRUE(Encodes(RegistryVariant::Text(""), regtype::kSz, {0}));
  EXPECT_TRUE(Encodes(Text("a\0b", 3), regtype::kSz, {'a', 0, 'b', 0}));
}

TEST(Encode, BytesAreStoredAsTheyAre) {
  EXPECT_TRUE(Encodes(RegistryVariant::Bytes({1, 2, 0, 3}), regtype::kBinary, {1, 2, 0, 3}));
  EXPECT_TRUE(Encodes(RegistryVariant::Bytes({}), regtype::kBinary, {}));
}

TEST(Encode, KindsWithoutARegistryTypeAreRefused) {
  EXPECT_FALSE(EncodeRegistryValue(RegistryVariant()).has_value());
  EXPECT_FALSE(EncodeRegistryValue(RegistryVariant::Boolean(true)).has_value());
  EXPECT_FALSE(EncodeRegistryValue(RegistryVariant::Boolean(false)).has_value());
  EXPECT_FALSE(EncodeRegistryValue(RegistryVariant::Double(1.5)).has_value());
  EXPECT_FALSE(EncodeRegistryValue(RegistryVariant::WideText(L"x")).has_value());  // values are written in ANSI
}

// UTF-16 little-endian data, as the wide calls return it.
TEST(DecodeWideText, UnitsLessTheirClosingZerosAndNoHalfUnit) {
  const struct {
    std::uint32_t type;
    ByteArray bytes;
    std::wstring expected;
  } cases[] = {
      {regtype::kSz, {0x42, 0x01, 'u', 0, 'k', 0, 0, 0}, L"\u0142uk"},  // "łuk" and its zero
      {regtype::kSz, {'a', 0, 'b'}, L"a"},                            // an odd last byte is no unit
      {regtype::kExpandSz, {'%', 0, 0, 0, 0, 0}, std::wstring(L"%\0", 2)},  // one closing zero only
      {regtype::kMultiSz, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}, std::wstring(L"a\0b", 3)},
      {regtype::kNone, {'a', 0}, L""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(DecodeRegistryValue(c.type, c.bytes.data(), c.bytes.size(), qb::TextUnits::Utf16),
              RegistryVariant::WideText(c.expected))
        << ::testing::PrintToString(c.bytes);
  const ByteArray dword{3, 0, 0, 0};
  EXPECT_EQ(DecodeRegistryValue(regtype::kDword, dword.data(), dword.size(), qb::TextUnits::Utf16),
            RegistryVariant::Int32(3));
}

}  // namespace
