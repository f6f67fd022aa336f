// How the input methods read their argument map: a key is looked up as a string value, and a
// missing key or a value of another type reads as absent.
#ifndef TESSO_INPUT_INPUT_ARGUMENTS_H_
#define TESSO_INPUT_INPUT_ARGUMENTS_H_

#include <cstdint>
#include <optional>
#include <string>

#include "messaging/encodable_value.h"

namespace tesso {

const flutter::EncodableValue* FindArgument(const flutter::EncodableMap& args, const char* key);
// int32 or int64, widened.
std::optional<int64_t> IntegerArgument(const flutter::EncodableMap& args, const char* key);
// A double as it is, or an int32 or int64 converted.
std::optional<double> NumberArgument(const flutter::EncodableMap& args, const char* key);
// A string, or the empty string.
std::string TextArgument(const flutter::EncodableMap& args, const char* key);

}  // namespace tesso

#endif  // TESSO_INPUT_INPUT_ARGUMENTS_H_
