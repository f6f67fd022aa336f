#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "messaging/encodable_value.h"

namespace {

using flutter::EncodableList;
using flutter::EncodableMap;
using flutter::EncodableValue;

TEST(EncodableValueOrdering, AlternativesOrderByIndexBeforeTheirValues) {
  std::vector<EncodableValue> ascending = {
      EncodableValue(),
      EncodableValue(true),
      EncodableValue(int32_t{-5}),
      EncodableValue(int64_t{-100}),
      EncodableValue(-1e9),
      EncodableValue(""),
      EncodableValue(std::vector<uint8_t>{}),
      EncodableValue(std::vector<int32_t>{}),
      EncodableValue(std::vector<int64_t>{}),
      EncodableValue(std::vector<double>{}),
      EncodableValue(EncodableList{}),
      EncodableValue(EncodableMap{}),
  };
  for (size_t i = 0; i + 1 < ascending.size(); ++i) {
    EXPECT_TRUE(ascending[i] < ascending[i + 1]) << i;
    EXPECT_FALSE(ascending[i + 1] < ascending[i]) << i;
  }
  EXPECT_EQ(EncodableValue("x").type(), flutter::EncodableType::kString);
}

TEST(EncodableValueOrdering, WithinAnAlternative) {
  EXPECT_LT(EncodableValue(false), EncodableValue(true));
  EXPECT_LT(EncodableValue(int64_t{-1}), EncodableValue(int64_t{0}));
  // Unsigned byte order: "é" (0xc3 0xa9) after "z"; a proper prefix first.
  EXPECT_LT(EncodableValue("z"), EncodableValue("\xc3\xa9"));
  EXPECT_LT(EncodableValue("ab"), EncodableValue("abc"));
  EXPECT_LT(EncodableValue(EncodableList{EncodableValue(int32_t{1})}),
            EncodableValue(EncodableList{EncodableValue(int32_t{1}), EncodableValue()}));
  EXPECT_LT(EncodableValue(EncodableList{EncodableValue(int32_t{1})}),
            EncodableValue(EncodableList{EncodableValue(int32_t{2})}));
  EncodableMap a{{EncodableValue("k"), EncodableValue(int32_t{1})}};
  EncodableMap b{{EncodableValue("k"), EncodableValue(int32_t{2})}};
  EXPECT_LT(EncodableValue(a), EncodableValue(b));
}

TEST(EncodableValueOrdering, NanKeysKeepTheMapConsistent) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EncodableMap map;
  map[EncodableValue(nan)] = EncodableValue(int32_t{1});
  map[EncodableValue(1.0)] = EncodableValue(int32_t{2});
  map[EncodableValue(nan)] = EncodableValue(int32_t{3});  // the same key as the first NaN
  map[EncodableValue(-1.0)] = EncodableValue(int32_t{4});
  ASSERT_EQ(map.size(), 3u);
  auto it = map.begin();
  EXPECT_EQ(std::get<double>(it->first), -1.0);
  ++it;
  EXPECT_EQ(std::get<double>(it->first), 1.0);
  ++it;
  EXPECT_TRUE(std::isnan(std::get<double>(it->first)));
  EXPECT_EQ(it->second, EncodableValue(int32_t{3}));
  EXPECT_LT(EncodableValue(std::vector<float>{1.0f}),
            EncodableValue(std::vector<float>{std::numeric_limits<float>::quiet_NaN()}));
}

TEST(EncodableValueOrdering, IntegerValueWidensBothIntegerKinds) {
  EXPECT_EQ(EncodableValue(int32_t{-7}).IntegerValue(), -7);
  EXPECT_EQ(EncodableValue(int64_t{1} << 40).IntegerValue(), int64_t{1} << 40);
  EXPECT_FALSE(EncodableValue(7.0).IntegerValue().has_value());
}

}  // namespace
