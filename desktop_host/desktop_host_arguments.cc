#include "desktop_host/desktop_host_arguments.h"

#include <optional>
#include <variant>

namespace tesso {

using flutter::EncodableMap;
using flutter::EncodableValue;

DesktopHostArguments::DesktopHostArguments(const EncodableValue* arguments) : map_(&empty_) {
  if (arguments == nullptr) return;
  if (const auto* map = std::get_if<EncodableMap>(arguments)) map_ = map;
}

const EncodableValue* DesktopHostArguments::Find(const char* key) const {
  const auto found = map_->find(EncodableValue(key));
  return found == map_->end() ? nullptr : &found->second;
}

int64_t DesktopHostArguments::Integer(const char* key, int64_t fallback) const {
  const EncodableValue* value = Find(key);
  if (value == nullptr) return fallback;
  return value->IntegerValue().value_or(fallback);
}

int32_t DesktopHostArguments::Integer32(const char* key, int32_t fallback) const {
  // Wraps modulo 2^32 (two's complement), as a cast of the 64-bit value does on every
  // compiler we build with.
  return static_cast<int32_t>(static_cast<uint32_t>(Integer(key, fallback)));
}

double DesktopHostArguments::Number(const char* key, double fallback) const {
  const EncodableValue* value = Find(key);
  if (value == nullptr) return fallback;
  if (const auto* number = std::get_if<double>(value)) return *number;
  if (const std::optional<int64_t> integer = value->IntegerValue()) {
    return static_cast<double>(*integer);
  }
  return fallback;
}

bool DesktopHostArguments::Flag(const char* key) const {
  const EncodableValue* value = Find(key);
  if (value == nullptr) return false;
  const auto* flag = std::get_if<bool>(value);
  return flag != nullptr && *flag;
}

std::string DesktopHostArguments::Text(const char* key) const {
  const EncodableValue* value = Find(key);
  if (value == nullptr) return std::string();
  const auto* text = std::get_if<std::string>(value);
  return text == nullptr ? std::string() : *text;
}

}  // namespace tesso
