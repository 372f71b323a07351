#include "registry/value_codec.h"

#include <algorithm>

namespace qb {

namespace {

// The bytes [0, size) as a text of as many characters (ANSI: one byte, one character).
RegistryVariant AnsiTextOf(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return RegistryVariant::Text({});
  return RegistryVariant::Text(std::string(reinterpret_cast<const char*>(data), size));
}

// The length without up to `most` closing zero bytes; only zeros that are there are dropped.
std::size_t WithoutClosingZeros(const std::uint8_t* data, std::size_t size, std::size_t most) {
  while (most > 0 && size > 0 && data[size - 1] == 0) {
    --size;
    --most;
  }
  return size;
}

// The whole UTF-16 little-endian units of the data, less up to `most` closing zero units.
std::wstring Utf16Units(const std::uint8_t* data, std::size_t size, std::size_t most) {
  std::wstring units(size / 2, L'\0');
  for (std::size_t i = 0; i < units.size(); ++i)
    units[i] = static_cast<wchar_t>(data[2 * i] | (data[2 * i + 1] << 8));
  while (most > 0 && !units.empty() && units.back() == L'\0') {
    units.pop_back();
    --most;
  }
  return units;
}

// The text of a string type, its closing zeros (`zeros` of them at most) dropped.
RegistryVariant TextOf(const std::uint8_t* data, std::size_t size, std::size_t zeros, TextUnits units) {
  if (units == TextUnits::Utf16) return RegistryVariant::WideText(Utf16Units(data, size, zeros));
  return AnsiTextOf(data, WithoutClosingZeros(data, size, zeros));
}

}  // namespace

RegistryVariant EmptyText(TextUnits units) {
  return units == TextUnits::Utf16 ? RegistryVariant::WideText({}) : RegistryVariant::Text({});
}

RegistryVariant DecodeRegistryValue(std::uint32_t type, const std::uint8_t* data, std::size_t size,
                                    TextUnits units) {
  if (size == 0) return EmptyText(units);  // nothing was returned, whatever the type
  switch (type) {
    case regtype::kSz:
    case regtype::kExpandSz:  // never expanded
      return TextOf(data, size, 1, units);
    case regtype::kMultiSz:  // members joined by zero characters, the closing pair dropped
      return TextOf(data, size, 2, units);
    case regtype::kDword: {
      // Little-endian; a short value is zero-extended rather than read past its end.
      std::uint32_t v = 0;
      const std::size_t n = std::min<std::size_t>(size, 4);
      for (std::size_t i = 0; i < n; ++i) v |= static_cast<std::uint32_t>(data[i]) << (8 * i);
      return RegistryVariant::Int32(static_cast<std::int32_t>(v));
    }
    case regtype::kBinary:
      return RegistryVariant::Bytes(ByteArray(data, data + size));
    default:  // REG_NONE (an absent value), big-endian DWORD, link and every unknown type
      return EmptyText(units);
  }
}

std::optional<EncodedValue> EncodeRegistryValue(const RegistryVariant& value) {
  switch (value.kind()) {
    case RegistryVariant::Kind::Int16:
    case RegistryVariant::Kind::Int32: {
      // Widened with its sign: a 16-bit -1 is stored as FF FF FF FF.
      const std::int32_t n = value.kind() == RegistryVariant::Kind::Int16 ? value.int16() : value.int32();
      const auto u = static_cast<std::uint32_t>(n);
      return EncodedValue{regtype::kDword,
                          {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
                           static_cast<std::uint8_t>(u >> 16), static_cast<std::uint8_t>(u >> 24)}};
    }
    case RegistryVariant::Kind::Text: {
      const std::string& s = value.text();
      ByteArray bytes(s.begin(), s.end());
      bytes.push_back(0);
      return EncodedValue{regtype::kSz, std::move(bytes)};
    }
    case RegistryVariant::Kind::Bytes:
      return EncodedValue{regtype::kBinary, value.bytes()};
    default:  // empty, boolean, floating-point, wide text: not stored
      return std::nullopt;
  }
}

}  // namespace qb
