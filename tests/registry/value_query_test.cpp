// The query loop of GetRegistryValue against a scripted stand-in for
// RegQueryValueExA, so that values that grow between queries can be played out.
#include "registry/value_query.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

using qb::ByteArray;
using qb::RegistryVariant;

struct Stored {
  std::uint32_t type;
  ByteArray bytes;
};

// Answers each query like the registry would for the value stored at that
// moment: call i sees values[i] (the last one from then on). Records the
// capacity offered by each call.
struct ScriptedValue {
  explicit ScriptedValue(std::vector<Stored> v, long absent = 0) : values(std::move(v)), absentStatus(absent) {}

  std::vector<Stored> values;
  long absentStatus;  // non-zero: every query answers that, like a missing value
  std::vector<std::uint32_t> capacities;

  long operator()(std::uint32_t& type, std::uint8_t* data, std::uint32_t& size) {
    capacities.push_back(size);
    if (absentStatus != 0) return absentStatus;
    const Stored& v = values[std::min(capacities.size(), values.size()) - 1];
    type = v.type;
    if (v.bytes.size() > size || data == nullptr) {
      size = static_cast<std::uint32_t>(v.bytes.size());
      return qb::kStatusMoreData;
    }
    if (!v.bytes.empty()) std::memcpy(data, v.bytes.data(), v.bytes.size());
    size = static_cast<std::uint32_t>(v.bytes.size());
    return qb::kStatusSuccess;
  }
};

Stored Sz(std::size_t chars) {
  Stored s{qb::regtype::kSz, ByteArray(chars, 'q')};
  s.bytes.push_back(0);
  return s;
}

TEST(ValueQuery, AValueThatFitsTakesOneQueryOfTheFirstBuffer) {
  for (std::size_t chars : {0u, 3u, 1023u}) {  // 1023 characters and the zero fill all 1024 bytes
    SCOPED_TRACE(chars);
    ScriptedValue q({Sz(chars)});
    EXPECT_EQ(qb::QueryRegistryValue(q), RegistryVariant::Text(std::string(chars, 'q')));
    EXPECT_EQ(q.capacities, std::vector<std::uint32_t>{1024});
  }
}

TEST(ValueQuery, ALargerValueTakesASecondQueryOfTheReportedSize) {
  ScriptedValue q({Sz(1024)});
  EXPECT_EQ(qb::QueryRegistryValue(q), RegistryVariant::Text(std::string(1024, 'q')));
  EXPECT_EQ(q.capacities, (std::vector<std::uint32_t>{1024, 1025}));
}

TEST(ValueQuery, AValueThatGrowsBetweenQueriesIsReadWhenItSettles) {
  ScriptedValue q({Sz(2000), Sz(3000), Sz(4000)});
  EXPECT_EQ(qb::QueryRegistryValue(q), RegistryVariant::Text(std::string(4000, 'q')));
  EXPECT_EQ(q.capacities, (std::vector<std::uint32_t>{1024, 2001, 3001, 4001}));
}

TEST(ValueQuery, AValueThatKeepsGrowingReadsAsAbsentAfterBoundedTries) {
  std::vector<Stored> growing;
  for (std::size_t n = 2000; n < 2000 + 100 * 50; n += 50) growing.push_back(Sz(n));
  ScriptedValue q(growing);
  EXPECT_EQ(qb::QueryRegistryValue(q), RegistryVariant::Text(""));
  EXPECT_EQ(q.capacities.size(), 9u);  // the first query and 8 more, as docs/unusual-situations.md promises
}

TEST(ValueQuery, AValueThatShrinksIsDecodedToItsNewSizeOnly) {
  Stored bin{qb::regtype::kBinary, ByteArray(1500, 0xAB)};
  Stored small{qb::regtype::kBinary, {1, 2}};
  ScriptedValue q({bin, small});
  EXPECT_EQ(qb::QueryRegistryValue(q), RegistryVariant::Bytes({1, 2}));
}

TEST(ValueQuery, AFailedQueryReadsAsAbsent) {
  ScriptedValue absent({}, 2 /* ERROR_FILE_NOT_FOUND */);
  EXPECT_EQ(qb::QueryRegistryValue(absent), RegistryVariant::Text(""));
  EXPECT_EQ(absent.capacities.size(), 1u);

  // The second query fails after the first reported a size: no stale bytes are decoded.
  int calls = 0;
  auto failsSecond = [&](std::uint32_t& type, std::uint8_t* data, std::uint32_t& size) -> long {
    type = qb::regtype::kBinary;
    if (++calls == 1) {
      std::memset(data, 0x55, size);
      size = 2048;
      return qb::kStatusMoreData;
    }
    return 5;  // ERROR_ACCESS_DENIED
  };
  EXPECT_EQ(qb::QueryRegistryValue(failsSecond), RegistryVariant::Text(""));
  EXPECT_EQ(calls, 2);
}

TEST(ValueQuery, NeverDecodesBeyondTheBufferItHandedOver) {
  // A query that claims more bytes than it was given room for.
  auto overstates = [](std::uint32_t& type, std::uint8_t* data, std::uint32_t& size) -> long {
    type = qb::regtype::kBinary;
    std::memset(data, 0x11, size);
    size += 100;
    return qb::kStatusSuccess;
  };
  const RegistryVariant v = qb::QueryRegistryValue(overstates);
  ASSERT_EQ(v.kind(), RegistryVariant::Kind::Bytes);
  EXPECT_EQ(v.bytes(), ByteArray(1024, 0x11));

  // A reported need of zero bytes still gets a real buffer on the next query.
  int calls = 0;
  auto zeroNeed = [&](std::uint32_t& type, std::uint8_t* data, std::uint32_t& size) -> long {
    type = qb::regtype::kBinary;
    if (++calls == 1) {
      size = 0;
      return qb::kStatusMoreData;
    }
    if (data == nullptr || size == 0) return 87;  // ERROR_INVALID_PARAMETER
    data[0] = 42;
    size = 1;
    return qb::kStatusSuccess;
  };
  EXPECT_EQ(qb::QueryRegistryValue(zeroNeed), RegistryVariant::Bytes({42}));
}

}  // namespace
