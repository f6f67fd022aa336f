// broadcast_message.exe NAME: registers the window message NAME and posts it to every
// top-level window, as a restarted taskbar does with "TaskbarCreated", or as any process may.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  const UINT message = RegisterWindowMessageW(argv[1]);
  if (message == 0) return 1;
  return PostMessageW(HWND_BROADCAST, message, 0, 0) ? 0 : 1;
}
