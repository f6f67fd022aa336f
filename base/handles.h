// Opaque Windows handles as the portable code holds them: a distinct type for each kind so
// that a menu cannot be passed where a window is expected. The Win32 adapter converts them to
// and from HWND, HICON, HMENU, HMODULE and HMONITOR; zero is "none" for every kind.
#ifndef TESSO_BASE_HANDLES_H_
#define TESSO_BASE_HANDLES_H_

#include <cstdint>

namespace tesso {

enum class WindowHandle : uintptr_t { kNone = 0 };
enum class IconHandle : uintptr_t { kNone = 0 };
enum class MenuHandle : uintptr_t { kNone = 0 };
enum class ModuleHandle : uintptr_t { kNone = 0 };
enum class MonitorHandle : uintptr_t { kNone = 0 };

}  // namespace tesso

#endif  // TESSO_BASE_HANDLES_H_
