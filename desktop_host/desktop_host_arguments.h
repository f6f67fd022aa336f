// The desktop host's reading of a call's arguments. Only a map is read; anything else (no
// arguments, null, a list, a number) reads as an empty map, so every key is missing and every
// reading gives its default. Nothing here ever fails.
#ifndef TESSO_DESKTOP_HOST_DESKTOP_HOST_ARGUMENTS_H_
#define TESSO_DESKTOP_HOST_DESKTOP_HOST_ARGUMENTS_H_

#include <cstdint>
#include <string>

#include "messaging/encodable_value.h"

namespace tesso {

class DesktopHostArguments {
 public:
  // `arguments` (may be null) must outlive this object.
  explicit DesktopHostArguments(const flutter::EncodableValue* arguments);

  DesktopHostArguments(const DesktopHostArguments&) = delete;
  DesktopHostArguments& operator=(const DesktopHostArguments&) = delete;

  // The arguments map, or an empty one.
  const flutter::EncodableMap& map() const { return *map_; }

  // An int32 (sign kept) or an int64; any other type, a double included, gives `fallback`.
  int64_t Integer(const char* key, int64_t fallback) const;
  // Integer saturated to the 32-bit range.
  int32_t Integer32(const char* key, int32_t fallback) const;
  // A double as is, or an int32 or int64 converted; otherwise `fallback`.
  double Number(const char* key, double fallback) const;
  // True only for a bool true.
  bool Flag(const char* key) const;
  // A string, not copied (it may be megabytes); otherwise the empty string.
  const std::string& Text(const char* key) const;

 private:
  const flutter::EncodableValue* Find(const char* key) const;

  const flutter::EncodableMap empty_;
  const std::string empty_text_;
  const flutter::EncodableMap* map_;
};

}  // namespace tesso

#endif  // TESSO_DESKTOP_HOST_DESKTOP_HOST_ARGUMENTS_H_
