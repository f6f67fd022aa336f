#include "standin/window_win.h"

#include <map>
#include <mutex>
#include <string>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace tesso::standin {

HINSTANCE ThisModule() noexcept { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

bool EnsureWindowClass(const wchar_t* name, WNDPROC procedure, HBRUSH background) noexcept {
  static std::mutex mutex;
  static std::map<std::wstring, bool> registered;  // guarded by mutex
  try {
    std::lock_guard<std::mutex> lock(mutex);
    const auto it = registered.find(name);
    if (it != registered.end()) return it->second;
    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = procedure;
    window_class.hInstance = ThisModule();
    window_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    window_class.hbrBackground = background;
    window_class.lpszClassName = name;
    const bool ok = RegisterClassExW(&window_class) != 0;
    registered.emplace(name, ok);
    return ok;
  } catch (...) {
    return false;
  }
}

}  // namespace tesso::standin
