#include "input/input_arguments.h"

#include <variant>

namespace tesso {

const flutter::EncodableValue* FindArgument(const flutter::EncodableMap& args, const char* key) {
  const auto found = args.find(flutter::EncodableValue(key));
  return found == args.end() ? nullptr : &found->second;
}

std::optional<int64_t> IntegerArgument(const flutter::EncodableMap& args, const char* key) {
  const flutter::EncodableValue* value = FindArgument(args, key);
  if (value == nullptr) return std::nullopt;
  return value->IntegerValue();
}

std::optional<double> NumberArgument(const flutter::EncodableMap& args, const char* key) {
  const flutter::EncodableValue* value = FindArgument(args, key);
  if (value == nullptr) return std::nullopt;
  if (const double* number = std::get_if<double>(value)) return *number;
  if (const std::optional<int64_t> integer = value->IntegerValue()) {
    return static_cast<double>(*integer);
  }
  return std::nullopt;
}

std::string TextArgument(const flutter::EncodableMap& args, const char* key) {
  const flutter::EncodableValue* value = FindArgument(args, key);
  const std::string* text = value == nullptr ? nullptr : std::get_if<std::string>(value);
  return text == nullptr ? std::string() : *text;
}

}  // namespace tesso
