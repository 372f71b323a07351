#pragma once
// Reading one value: the query loop of GetRegistryValue, apart from the registry
// call itself so that a value that grows between queries can be exercised.
// No Win32 here either; the caller adapts RegQueryValueExA or RegQueryValueExW.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "registry/value_codec.h"

namespace qb {

inline constexpr std::uint32_t kFirstValueBufferSize = 1024;
inline constexpr long kStatusSuccess = 0;
inline constexpr long kStatusMoreData = 234;  // ERROR_MORE_DATA: the needed size has been reported
// How often a value that keeps growing is queried again before it counts as absent.
inline constexpr int kMaxValueRequeries = 8;

// `query(type, data, size)` behaves like RegQueryValueEx: on entry `size` is the
// capacity of `data`; it returns a status and sets `type` and `size` (the bytes
// stored, or on kStatusMoreData the bytes needed). A value that fits into the
// first buffer costs one query. Only the bytes a successful query returned are
// decoded, their texts in `units`; a failed query, or a value still growing
// after kMaxValueRequeries further queries, reads as absent: the empty text.
template <typename Query>
RegistryVariant QueryRegistryValue(Query&& query, TextUnits units = TextUnits::Ansi) {
  std::uint8_t first[kFirstValueBufferSize] = {};
  std::vector<std::uint8_t> larger;
  std::uint8_t* data = first;
  std::uint32_t capacity = kFirstValueBufferSize;
  std::uint32_t type = regtype::kNone;
  std::uint32_t size = capacity;
  long status = query(type, data, size);
  for (int again = 0; status == kStatusMoreData && again < kMaxValueRequeries; ++again) {
    capacity = std::max<std::uint32_t>(size, 1);  // never hand over a null buffer
    larger.assign(capacity, 0);
    data = larger.data();
    type = regtype::kNone;
    size = capacity;
    status = query(type, data, size);
  }
  if (status != kStatusSuccess) return EmptyText(units);
  return DecodeRegistryValue(type, data, std::min(size, capacity), units);
}

}  // namespace qb
