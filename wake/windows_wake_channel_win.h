// The wake service with its Windows ports, for the host window to create in one line.
// Win32 build only.
#ifndef TESSO_WAKE_WINDOWS_WAKE_CHANNEL_WIN_H_
#define TESSO_WAKE_WINDOWS_WAKE_CHANNEL_WIN_H_

#include <windows.h>

#include <memory>

#include "messaging/binary_messenger.h"
#include "wake/windows_wake_channel.h"

namespace tesso {

// The service on `messenger` (the engine's, not owned) that posts its completion message to
// `window` (the top-level window, which routes it to DeliverAdapterResult). UI thread.
std::unique_ptr<WindowsWakeChannel> MakeWindowsWakeChannel(flutter::BinaryMessenger* messenger,
                                                           HWND window);

}  // namespace tesso

#endif  // TESSO_WAKE_WINDOWS_WAKE_CHANNEL_WIN_H_
