// The tray icon's notification record, as the shell's NOTIFYICONDATAW carries it, with the
// fields the window service uses, and the rule by which text goes into its fixed fields.
#ifndef TESSO_TRAY_NOTIFY_ICON_RECORD_H_
#define TESSO_TRAY_NOTIFY_ICON_RECORD_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/handles.h"

namespace tesso {

// Field sizes in UTF-16 units, terminator included.
constexpr size_t kTipUnits = 128;
constexpr size_t kInfoUnits = 256;
constexpr size_t kInfoTitleUnits = 64;

// Every field not listed here is zero when the adapter hands the record to the shell, and
// cbSize is the size of the complete current NOTIFYICONDATAW.
struct NotifyIconRecord {
  WindowHandle window = WindowHandle::kNone;
  uint32_t id = 0;
  uint32_t flags = 0;
  uint32_t callback_message = 0;
  IconHandle icon = IconHandle::kNone;
  std::array<char16_t, kTipUnits> tip{};
  std::array<char16_t, kInfoUnits> info{};
  uint32_t version = 0;
  std::array<char16_t, kInfoTitleUnits> info_title{};
  uint32_t info_flags = 0;
};

// Copies `text` up to its first NUL or until the field is full less one unit, then
// terminates; a longer text is cut to N - 1 units even inside a surrogate pair.
template <size_t N>
void CopyToField(std::u16string_view text, std::array<char16_t, N>* field) {
  static_assert(N > 0, "a field holds at least its terminator");
  size_t count = 0;
  while (count < text.size() && count < N - 1 && text[count] != u'\0') {
    (*field)[count] = text[count];
    ++count;
  }
  (*field)[count] = u'\0';
}

// The text of a field, up to its terminator.
template <size_t N>
std::u16string FieldText(const std::array<char16_t, N>& field) {
  size_t count = 0;
  while (count < N && field[count] != u'\0') ++count;
  return std::u16string(field.data(), count);
}

}  // namespace tesso

#endif  // TESSO_TRAY_NOTIFY_ICON_RECORD_H_
