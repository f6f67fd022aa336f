// A one-line, exact description of a value, in the notation of the golden codec vectors
// (shared with the peer console's codec, which prints the same text); recorded calls joined.
#ifndef TESSO_TESTS_UNIT_VALUE_DESCRIPTION_H_
#define TESSO_TESTS_UNIT_VALUE_DESCRIPTION_H_

#include <cstdint>
#include <string>
#include <vector>

#include "messaging/encodable_value.h"

namespace tesso_test {

std::string Describe(const flutter::EncodableValue& value);
std::string ToHex(const std::vector<uint8_t>& bytes);
std::vector<uint8_t> FromHex(const std::string& hex);

using Calls = std::vector<std::string>;
inline Calls operator+(Calls a, const Calls& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

}  // namespace tesso_test

#endif  // TESSO_TESTS_UNIT_VALUE_DESCRIPTION_H_
