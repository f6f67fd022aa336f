// The process start-up: attach a console for diagnostics, join COM, claim the
// single-instance mutex (a second instance wakes the first and leaves), read the command line,
// create the host window, run the message loop and tear down in a fixed order.
#ifndef TESSO_RUNNER_START_UP_H_
#define TESSO_RUNNER_START_UP_H_

#include <cstdint>

#include "runner/start_up_port.h"

namespace tesso {

// A named mutex in the logon session's local namespace: held by the first instance from its
// start until its message loop ends.
inline constexpr char16_t kSingleInstanceMutexName[] = u"Local\\Halvo.SingleInstance";
// Broadcast by a second instance; the first instance's window service shows the window on it
// (the same name as WindowChannel::kShowWindowMessageName).
inline constexpr char16_t kShowMainWindowMessageName[] = u"Halvo.ShowMainWindow";

// The top-level window, in logical (96 DPI) pixels.
inline constexpr char16_t kWindowTitle[] = u"Tesso";
inline constexpr int32_t kWindowOriginX = 10;
inline constexpr int32_t kWindowOriginY = 10;
inline constexpr int32_t kWindowWidth = 1280;
inline constexpr int32_t kWindowHeight = 720;

// Windows numbers of start-up; the Win32 adapter checks each against the Windows headers.
inline constexpr uint32_t kAttachParentProcess = 0xFFFFFFFF;  // ATTACH_PARENT_PROCESS, (DWORD)-1
inline constexpr uint32_t kAsfwAny = 0xFFFFFFFF;              // ASFW_ANY, (DWORD)-1
inline constexpr uint32_t kCoinitApartmentThreaded = 0x2;     // COINIT_APARTMENTTHREADED
inline constexpr uint32_t kErrorAlreadyExists = 183;          // ERROR_ALREADY_EXISTS
inline constexpr uintptr_t kHwndBroadcast = 0xFFFF;           // HWND_BROADCAST
inline constexpr int32_t kStandardOutputDescriptor = 1;
inline constexpr int32_t kStandardErrorDescriptor = 2;

// Creates and attaches a new console and points the runtime's stdout and stderr, the standard
// library's streams and the engine library's output at it; nothing more if no console can be
// created.
void AttachDiagnosticConsole(StartUpPort& port);

// The whole life of the process. Returns its exit code: 0 after the message loop ends or for a
// second instance, 1 when the host window cannot be created. The host window is destroyed
// after COM is left, then the argument list and the project go.
int RunProcess(StartUpPort& port);

}  // namespace tesso

#endif  // TESSO_RUNNER_START_UP_H_
