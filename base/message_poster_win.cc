#include "base/message_poster_win.h"

#include <windows.h>

namespace tesso {

bool MessagePosterWin::PostMessageW(WindowHandle window, uint32_t message, uint64_t wparam,
                                    int64_t lparam) {
  return ::PostMessageW(reinterpret_cast<HWND>(static_cast<uintptr_t>(window)), message,
                        static_cast<WPARAM>(wparam), static_cast<LPARAM>(lparam)) != FALSE;
}

}  // namespace tesso
