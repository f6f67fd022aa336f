#include "messaging/encodable_value.h"

#include <algorithm>
#include <cmath>

namespace flutter {
namespace {

// A strict weak order over floating-point numbers: numeric, with every NaN last.
template <typename F>
bool FloatLess(F a, F b) {
  if (std::isnan(a)) return false;
  if (std::isnan(b)) return true;
  return a < b;
}

struct SameAlternativeLess {
  const EncodableVariant& other;

  template <typename T>
  bool operator()(const T& a) const {
    const T& b = std::get<T>(other);
    if constexpr (std::is_same_v<T, double>) {
      return FloatLess(a, b);
    } else if constexpr (std::is_same_v<T, std::vector<double>> ||
                         std::is_same_v<T, std::vector<float>>) {
      using F = typename T::value_type;
      return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), FloatLess<F>);
    } else if constexpr (std::is_same_v<T, std::string>) {
      // char_traits<char>::lt compares as unsigned char.
      return a.compare(b) < 0;
    } else {
      return a < b;
    }
  }
};

}  // namespace

std::optional<int64_t> EncodableValue::IntegerValue() const {
  if (const auto* v = std::get_if<int32_t>(this)) return *v;
  if (const auto* v = std::get_if<int64_t>(this)) return *v;
  return std::nullopt;
}

bool operator<(const EncodableValue& a, const EncodableValue& b) {
  if (a.index() != b.index()) return a.index() < b.index();
  const EncodableVariant& base = a;
  return std::visit(SameAlternativeLess{b}, base);
}

}  // namespace flutter
