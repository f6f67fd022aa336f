// The desktop host's argument readings: which value types each reading accepts, the low 32
// bits, and arguments that are not a map.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "desktop_host/desktop_host_arguments.h"
#include "messaging/encodable_value.h"
#include "tests/unit/value_description.h"

namespace tesso_test {
namespace {

using flutter::EncodableList;
using flutter::EncodableMap;
using flutter::EncodableValue;

struct ReadingCase {
  EncodableValue value;  // under "k"; null: the key is missing
  int64_t integer;       // default 7
  int32_t integer32;     // default 1920
  double number;         // default 0.8
  bool flag;
  std::string text;
};

class DesktopHostArgumentsTest : public testing::TestWithParam<ReadingCase> {};

TEST_P(DesktopHostArgumentsTest, EachReadingTakesOnlyItsTypes) {
  const ReadingCase& c = GetParam();
  EncodableMap map = {{EncodableValue("other"), EncodableValue(int32_t{99})}};
  if (!c.value.IsNull()) map[EncodableValue("k")] = c.value;
  const EncodableValue arguments(map);
  const tesso::DesktopHostArguments read(&arguments);
  EXPECT_EQ(read.Integer("k", 7), c.integer);
  EXPECT_EQ(read.Integer32("k", 1920), c.integer32);
  EXPECT_EQ(read.Number("k", 0.8), c.number);
  EXPECT_EQ(read.Flag("k"), c.flag);
  EXPECT_EQ(read.Text("k"), c.text);
  EXPECT_EQ(read.map().size(), map.size());
}

INSTANTIATE_TEST_SUITE_P(
    Values, DesktopHostArgumentsTest,
    testing::Values(
        ReadingCase{EncodableValue(), 7, 1920, 0.8, false, ""},
        ReadingCase{EncodableValue(int32_t{-5}), -5, -5, -5.0, false, ""},
        ReadingCase{EncodableValue(int32_t{1}), 1, 1, 1.0, false, ""},
        ReadingCase{EncodableValue(int64_t{1} << 40), int64_t{1} << 40, 0, 1099511627776.0, false,
                    ""},
        ReadingCase{EncodableValue(int64_t{0x1FFFFFFFF}), 0x1FFFFFFFF, -1, 8589934591.0, false, ""},
        ReadingCase{EncodableValue(int64_t{0x80000000}), 0x80000000, INT32_MIN, 2147483648.0, false,
                    ""},
        ReadingCase{EncodableValue(int64_t{-3}), -3, -3, -3.0, false, ""},
        ReadingCase{EncodableValue(1280.0), 7, 1920, 1280.0, false, ""},
        ReadingCase{EncodableValue(true), 7, 1920, 0.8, true, ""},
        ReadingCase{EncodableValue(false), 7, 1920, 0.8, false, ""},
        ReadingCase{EncodableValue("1"), 7, 1920, 0.8, false, "1"},
        ReadingCase{EncodableValue(std::string("a\0b", 3)), 7, 1920, 0.8, false,
                    std::string("a\0b", 3)},
        ReadingCase{EncodableValue(std::vector<uint8_t>{1}), 7, 1920, 0.8, false, ""},
        ReadingCase{EncodableValue(EncodableList{EncodableValue(true)}), 7, 1920, 0.8, false, ""}),
    [](const testing::TestParamInfo<ReadingCase>& param) {
      return "Case" + std::to_string(param.index);
    });

TEST(DesktopHostArgumentsOutsideAMapTest, EverythingButAMapReadsAsAnEmptyMap) {
  const std::optional<EncodableValue> arguments[] = {
      std::nullopt,
      EncodableValue(),
      EncodableValue(EncodableList{EncodableValue("k"), EncodableValue(int32_t{3})}),
      EncodableValue("k"),
      EncodableValue(int32_t{3}),
      EncodableValue(true)};
  for (const std::optional<EncodableValue>& value : arguments) {
    SCOPED_TRACE(value ? Describe(*value) : "absent");
    const tesso::DesktopHostArguments read(value ? &*value : nullptr);
    EXPECT_TRUE(read.map().empty());
    EXPECT_EQ(read.Integer("k", -1), -1);
    EXPECT_EQ(read.Number("k", 0.8), 0.8);
    EXPECT_FALSE(read.Flag("k"));
    EXPECT_EQ(read.Text("k"), "");
  }
}

TEST(DesktopHostArgumentsOutsideAMapTest, NotANumberStaysNotANumber) {
  const EncodableValue arguments(EncodableMap{
      {EncodableValue("k"), EncodableValue(std::numeric_limits<double>::quiet_NaN())}});
  EXPECT_TRUE(std::isnan(tesso::DesktopHostArguments(&arguments).Number("k", 0.8)));
}

}  // namespace
}  // namespace tesso_test
