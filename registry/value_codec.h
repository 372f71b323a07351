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

// Decodes the `size` bytes a query returned for a value of registry type `type`.
// Never reads past data[size - 1].
RegistryVariant DecodeRegistryValue(std::uint32_t type, const std::uint8_t* data, std::size_t size);

struct EncodedValue {
  std::uint32_t type;
  ByteArray bytes;
};

// The registry type and bytes for a value; nullopt for a kind that cannot be stored.
std::optional<EncodedValue> EncodeRegistryValue(const RegistryVariant& value);

}  // namespace qb
