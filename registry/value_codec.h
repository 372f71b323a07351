#pragma once
// Registry data bytes <-> RegistryVariant. No Win32 here, so that the decoding
// can be built natively for sanitizers and fuzzing.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "registry/registry_variant.h"

namespace qb {

namespace regtype {
inline constexpr std::uint32_t kNone = 0;
inline constexpr std::uint32_t kSz = 1;
inline constexpr std::uint32_t kExpandSz = 2;
inline constexpr std::uint32_t kBinary = 3;
inline constexpr std::uint32_t kDword = 4;
inline constexpr std::uint32_t kDwordBigEndian = 5;
inline constexpr std::uint32_t kLink = 6;
inline constexpr std::uint32_t kMultiSz = 7;
}  // namespace regtype

// How a query hands over text data: in the ANSI code page (the "A" calls), one
// byte a character, or in UTF-16 little-endian (the "W" calls), two bytes a unit.
enum class TextUnits { Ansi, Utf16 };

// The empty text of that width: what an absent value reads as.
RegistryVariant EmptyText(TextUnits units);

// Decodes the `size` bytes a query returned for a value of registry type `type`;
// texts come out as Text (Ansi) or WideText (Utf16). Never reads past
// data[size - 1]; an odd last byte of UTF-16 data is no unit and is dropped.
RegistryVariant DecodeRegistryValue(std::uint32_t type, const std::uint8_t* data, std::size_t size,
                                    TextUnits units = TextUnits::Ansi);

struct EncodedValue {
  std::uint32_t type;
  ByteArray bytes;
};

// The registry type and bytes for a value; nullopt for a kind that cannot be
// stored. Values are written in ANSI only, so a wide text is not stored either.
std::optional<EncodedValue> EncodeRegistryValue(const RegistryVariant& value);

}  // namespace qb
