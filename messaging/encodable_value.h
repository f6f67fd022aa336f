// The value carried by every channel: a tagged union whose alternative index selects the
// wire tag and orders map keys.
#ifndef TESSO_MESSAGING_ENCODABLE_VALUE_H_
#define TESSO_MESSAGING_ENCODABLE_VALUE_H_

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace flutter {

class EncodableValue;

using EncodableList = std::vector<EncodableValue>;
using EncodableMap = std::map<EncodableValue, EncodableValue>;

// An opaque object of the program. The standard codec cannot encode it; copies share the
// object, and values order by the object's identity.
class CustomEncodableValue {
 public:
  explicit CustomEncodableValue(std::shared_ptr<const void> object) : object_(std::move(object)) {}

  const void* get() const { return object_.get(); }

  friend bool operator==(const CustomEncodableValue& a, const CustomEncodableValue& b) {
    return a.object_ == b.object_;
  }
  friend bool operator!=(const CustomEncodableValue& a, const CustomEncodableValue& b) {
    return !(a == b);
  }
  friend bool operator<(const CustomEncodableValue& a, const CustomEncodableValue& b) {
    return std::less<const void*>()(a.object_.get(), b.object_.get());
  }

 private:
  std::shared_ptr<const void> object_;
};

using EncodableVariant =
    std::variant<std::monostate, bool, int32_t, int64_t, double, std::string, std::vector<uint8_t>,
                 std::vector<int32_t>, std::vector<int64_t>, std::vector<double>, EncodableList,
                 EncodableMap, CustomEncodableValue, std::vector<float>>;

// Alternative indices; they are part of the contract (wire tags and key order follow them).
enum class EncodableType : size_t {
  kNull = 0,
  kBool = 1,
  kInt32 = 2,
  kInt64 = 3,
  kDouble = 4,
  kString = 5,
  kByteList = 6,
  kInt32List = 7,
  kInt64List = 8,
  kDoubleList = 9,
  kList = 10,
  kMap = 11,
  kCustom = 12,
  kFloatList = 13,
};

class EncodableValue : public EncodableVariant {
 public:
  using EncodableVariant::EncodableVariant;

  EncodableValue() = default;
  // A string literal is text, not the bool that the pointer would otherwise convert to.
  explicit EncodableValue(const char* text) : EncodableVariant(std::string(text)) {}
  EncodableValue& operator=(const char* text) {
    *this = EncodableValue(text);
    return *this;
  }

  EncodableType type() const { return static_cast<EncodableType>(index()); }
  bool IsNull() const { return std::holds_alternative<std::monostate>(*this); }

  // The integer held as int32 or int64, widened; none for any other alternative.
  std::optional<int64_t> IntegerValue() const;

  // Value ordering: alternative index first, then the alternative's own order (false before
  // true, numbers numerically, strings by unsigned bytes, sequences element by element).
  // Doubles and floats order NaN after every number and equal to each other, so that a key
  // sent by a peer can never break the map's ordering.
  friend bool operator<(const EncodableValue& a, const EncodableValue& b);
  friend bool operator>(const EncodableValue& a, const EncodableValue& b) { return b < a; }
  friend bool operator<=(const EncodableValue& a, const EncodableValue& b) { return !(b < a); }
  friend bool operator>=(const EncodableValue& a, const EncodableValue& b) { return !(a < b); }
};

}  // namespace flutter

#endif  // TESSO_MESSAGING_ENCODABLE_VALUE_H_
