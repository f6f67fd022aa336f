// Sole ownership of one Windows handle, closed when the owner goes. The traits say what the
// handle is, which value means "none" and how it is closed:
//
//   struct Traits {
//     using Handle = HANDLE;
//     static Handle None() { return nullptr; }
//     static void Close(Handle handle);  // never called with None()
//   };
//
// No implicit conversion: get() lends the handle, release() gives it up (and must be used).
#ifndef TESSO_BASE_UNIQUE_HANDLE_WIN_H_
#define TESSO_BASE_UNIQUE_HANDLE_WIN_H_

#include <windows.h>

namespace tesso {

template <typename Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  Handle get() const { return handle_; }
  bool is_valid() const { return handle_ != Traits::None(); }

  // Closes the handle held, if any, and holds `handle` instead.
  void reset(Handle handle = Traits::None()) {
    const Handle old = handle_;
    handle_ = handle;
    if (old != Traits::None()) Traits::Close(old);
  }

  [[nodiscard]] Handle release() {
    const Handle handle = handle_;
    handle_ = Traits::None();
    return handle;
  }

 private:
  Handle handle_ = Traits::None();
};

// Kernel objects (processes, tokens, events, ...) whose failure value is null; not for
// CreateFileW and the others that fail with INVALID_HANDLE_VALUE.
struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle None() { return nullptr; }
  static void Close(Handle handle) { ::CloseHandle(handle); }
};
using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;

struct DesktopHandleTraits {
  using Handle = HDESK;
  static Handle None() { return nullptr; }
  static void Close(Handle handle) { ::CloseDesktop(handle); }
};
using UniqueDesktop = UniqueHandle<DesktopHandleTraits>;

// Windows created by this thread.
struct WindowHandleTraits {
  using Handle = HWND;
  static Handle None() { return nullptr; }
  static void Close(Handle handle) { ::DestroyWindow(handle); }
};
using UniqueWindow = UniqueHandle<WindowHandleTraits>;

// Memory device contexts from CreateCompatibleDC (not GetDC's, which are released).
struct MemoryDcTraits {
  using Handle = HDC;
  static Handle None() { return nullptr; }
  static void Close(Handle handle) { ::DeleteDC(handle); }
};
using UniqueMemoryDc = UniqueHandle<MemoryDcTraits>;

struct BitmapTraits {
  using Handle = HBITMAP;
  static Handle None() { return nullptr; }
  static void Close(Handle handle) { ::DeleteObject(handle); }
};
using UniqueBitmap = UniqueHandle<BitmapTraits>;

struct IconTraits {
  using Handle = HICON;
  static Handle None() { return nullptr; }
  static void Close(Handle handle) { ::DestroyIcon(handle); }
};
using UniqueIcon = UniqueHandle<IconTraits>;

struct MenuTraits {
  using Handle = HMENU;
  static Handle None() { return nullptr; }
  static void Close(Handle handle) { ::DestroyMenu(handle); }
};
using UniqueMenu = UniqueHandle<MenuTraits>;

}  // namespace tesso

#endif  // TESSO_BASE_UNIQUE_HANDLE_WIN_H_
