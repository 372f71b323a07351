// libFuzzer target: the first four bytes (little-endian) are a registry type,
// the rest is the data that a query returned for it.
//
// The data is copied into a heap block of exactly its size, so that
// AddressSanitizer reports any read past the returned bytes. Checked besides:
//  - the result of a decode is the kind that the type maps to: REG_SZ and
//    REG_EXPAND_SZ text, REG_MULTI_SZ text, REG_DWORD a 32-bit integer from
//    the first bytes little-endian, REG_BINARY exactly the bytes, every other
//    type the empty text; no data at all gives the empty text;
//  - a text is the data with its closing zero (two for REG_MULTI_SZ) dropped
//    when the data ends with it; inner zeros stay; never a byte is invented;
//  - the wide form of a text type gives the data's UTF-16 units less their
//    closing zero units, and of every other type what the ANSI form gives;
//  - encode then decode gives the value back for texts, 16- and 32-bit
//    integers (a 16-bit one comes back widened with its sign) and non-empty
//    byte arrays; the kinds that have no registry type are refused.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "registry/value_codec.h"

namespace {

using qb::ByteArray;
using qb::RegistryVariant;
namespace regtype = qb::regtype;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "registry_value: invariant broken: %s\n", what);
  std::abort();
}

void Require(bool ok, const char* what) {
  if (!ok) Fail(what);
}

// Decodes from a heap block of exactly `size` bytes (none at all for 0).
RegistryVariant DecodeExact(std::uint32_t type, const std::uint8_t* data, std::size_t size) {
  std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[size]);
  if (size > 0) std::memcpy(block.get(), data, size);
  return qb::DecodeRegistryValue(type, block.get(), size);
}

std::string AsText(const std::uint8_t* data, std::size_t n) {
  return std::string(reinterpret_cast<const char*>(data), n);
}

// A text type: the data less `zeros` closing zero bytes when it ends with
// them; otherwise a prefix of the data of at least size - zeros bytes.
void CheckText(const RegistryVariant& v, const std::uint8_t* data, std::size_t size, std::size_t zeros) {
  Require(v.IsText(), "a text type did not decode to a text");
  const std::string& t = v.text();
  bool terminated = size >= zeros;
  for (std::size_t i = 0; terminated && i < zeros; ++i) terminated = data[size - 1 - i] == 0;
  if (terminated) {
    Require(t == AsText(data, size - zeros), "a terminated text is not the data less its terminator");
    return;
  }
  // Without the terminator the data is not what a query returns for a text;
  // dropping the last `zeros` bytes anyway and keeping them are both sound.
  Require(t.size() <= size && t.size() + zeros >= size, "an unterminated text has a wrong length");
  Require(t == AsText(data, t.size()), "a text is not a prefix of the data");
}

void CheckDecode(std::uint32_t type, const std::uint8_t* data, std::size_t size) {
  const RegistryVariant v = DecodeExact(type, data, size);
  if (size == 0) {
    Require(v == RegistryVariant::Text({}), "no data did not give the empty text");
    return;
  }
  switch (type) {
    case regtype::kSz:
    case regtype::kExpandSz:
      CheckText(v, data, size, 1);
      break;
    case regtype::kMultiSz:
      CheckText(v, data, size, 2);
      break;
    case regtype::kDword: {
      std::uint32_t u = 0;
      for (std::size_t i = 0; i < 4 && i < size; ++i) u |= static_cast<std::uint32_t>(data[i]) << (8 * i);
      Require(v == RegistryVariant::Int32(static_cast<std::int32_t>(u)), "REG_DWORD decoded wrongly");
      break;
    }
    case regtype::kBinary:
      Require(v == RegistryVariant::Bytes(ByteArray(data, data + size)), "REG_BINARY is not exactly the bytes");
      break;
    default:
      Require(v == RegistryVariant::Text({}), "an undecoded type did not give the empty text");
      break;
  }
}

// The same data as the wide calls return it: a text type gives the data's
// whole UTF-16 units less at most `zeros` closing zero units (never a unit of
// an odd last byte); every other type decodes as the ANSI form does.
void CheckWideDecode(std::uint32_t type, const std::uint8_t* data, std::size_t size) {
  std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[size]);
  if (size > 0) std::memcpy(block.get(), data, size);
  const RegistryVariant v = qb::DecodeRegistryValue(type, block.get(), size, qb::TextUnits::Utf16);
  const bool text = type == regtype::kSz || type == regtype::kExpandSz || type == regtype::kMultiSz;
  if (size == 0 || !text) {
    const RegistryVariant ansi = DecodeExact(type, data, size);
    Require(ansi.IsText() ? v == RegistryVariant::WideText({}) : v == ansi, "a wide read differs beyond texts");
    return;
  }
  Require(v.IsWideText(), "a text type did not decode to a wide text");
  const std::wstring& w = v.wideText();
  const std::size_t units = size / 2, zeros = type == regtype::kMultiSz ? 2 : 1;
  Require(w.size() <= units && w.size() + zeros >= units, "a wide text has a wrong length");
  for (std::size_t i = 0; i < w.size(); ++i)
    Require(w[i] == static_cast<wchar_t>(data[2 * i] | data[2 * i + 1] << 8), "a wide text is not the data's units");
  for (std::size_t i = w.size(); i < units; ++i)
    Require(data[2 * i] == 0 && data[2 * i + 1] == 0, "a unit other than a closing zero was dropped");
}

// encode, check the stored form, decode from exactly the stored bytes.
RegistryVariant RoundTrip(const RegistryVariant& v, std::uint32_t wantType) {
  const auto enc = qb::EncodeRegistryValue(v);
  Require(enc.has_value(), "a storable kind was refused");
  Require(enc->type == wantType, "a kind was stored under the wrong registry type");
  return DecodeExact(enc->type, enc->bytes.data(), enc->bytes.size());
}

void CheckRoundTrips(const std::uint8_t* data, std::size_t size) {
  // Text: the data as it stands (inner zeros too), and cut at its first zero.
  const std::string all = AsText(data, size);
  const RegistryVariant text = RegistryVariant::Text(all);
  {
    const auto enc = qb::EncodeRegistryValue(text);
    Require(enc && enc->bytes.size() == size + 1 && enc->bytes.back() == 0 &&
                std::memcmp(enc->bytes.data(), data, size) == 0,
            "a text is not stored as its bytes and one zero");
  }
  Require(RoundTrip(text, regtype::kSz) == text, "text does not round-trip");
  const RegistryVariant cut = RegistryVariant::Text(all.substr(0, all.find('\0')));
  Require(RoundTrip(cut, regtype::kSz) == cut, "text without zeros does not round-trip");

  // Integers from the first bytes.
  std::uint32_t u = 0;
  for (std::size_t i = 0; i < 4 && i < size; ++i) u |= static_cast<std::uint32_t>(data[i]) << (8 * i);
  const auto i32 = static_cast<std::int32_t>(u);
  const auto i16 = static_cast<std::int16_t>(static_cast<std::uint16_t>(u));
  Require(RoundTrip(RegistryVariant::Int32(i32), regtype::kDword) == RegistryVariant::Int32(i32),
          "a 32-bit integer does not round-trip");
  Require(RoundTrip(RegistryVariant::Int16(i16), regtype::kDword) == RegistryVariant::Int32(i16),
          "a 16-bit integer does not come back widened with its sign");

  // Byte arrays (one of no bytes has no fixed treatment and is skipped).
  if (size > 0) {
    const RegistryVariant bytes = RegistryVariant::Bytes(ByteArray(data, data + size));
    Require(RoundTrip(bytes, regtype::kBinary) == bytes, "a byte array does not round-trip");
  }

  // Kinds with no registry type.
  Require(!qb::EncodeRegistryValue(RegistryVariant()).has_value(), "empty was accepted");
  Require(!qb::EncodeRegistryValue(RegistryVariant::Boolean(size % 2 == 0)).has_value(), "a boolean was accepted");
  Require(!qb::EncodeRegistryValue(RegistryVariant::Double(static_cast<double>(i32))).has_value(),
          "a number was accepted");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* input, std::size_t size) {
  if (size < 4) return 0;
  const std::uint32_t type = static_cast<std::uint32_t>(input[0]) | static_cast<std::uint32_t>(input[1]) << 8 |
                             static_cast<std::uint32_t>(input[2]) << 16 |
                             static_cast<std::uint32_t>(input[3]) << 24;
  const std::uint8_t* data = input + 4;
  const std::size_t n = size - 4;

  CheckDecode(type, data, n);
  // The same data under each type that has a rule of its own, so that every
  // input exercises every decoder.
  for (std::uint32_t t : {regtype::kNone, regtype::kSz, regtype::kExpandSz, regtype::kBinary, regtype::kDword,
                          regtype::kDwordBigEndian, regtype::kLink, regtype::kMultiSz}) {
    CheckDecode(t, data, n);
    CheckWideDecode(t, data, n);
  }
  CheckRoundTrips(data, n);
  return 0;
}
