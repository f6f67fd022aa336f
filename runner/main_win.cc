// The process entry point: start-up, the message loop and the teardown, in the order
// runner/start_up.h fixes, on Windows. Exit code 0 for a normal end or a second instance, 1
// when the window cannot be created.
#include <windows.h>

#include "runner/start_up.h"
#include "runner/start_up_port_win.h"

int APIENTRY wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int) {
  tesso::StartUpPortWin port;
  return tesso::RunProcess(port);
}
