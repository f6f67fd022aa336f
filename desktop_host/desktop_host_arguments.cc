#include "desktop_host/desktop_host_arguments.h"

#include <algorithm>
#include <limits>
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
  // Saturates: a 64-bit value beyond the range means "as far as it goes", never a wrapped
  // value of arbitrary size and sign.
  return static_cast<int32_t>(std::clamp<int64_t>(Integer(key, fallback),
                                                  std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
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

const std::string& DesktopHostArguments::Text(const char* key) const {
  const EncodableValue* value = Find(key);
  const auto* text = value == nullptr ? nullptr : std::get_if<std::string>(value);
  return text == nullptr ? empty_text_ : *text;
}

}  // namespace tesso
