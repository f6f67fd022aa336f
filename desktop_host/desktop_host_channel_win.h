// The desktop host with its Windows ports, for the host window to create in one line.
// Win32 build only.
#ifndef TESSO_DESKTOP_HOST_DESKTOP_HOST_CHANNEL_WIN_H_
#define TESSO_DESKTOP_HOST_DESKTOP_HOST_CHANNEL_WIN_H_

#include <windows.h>

#include <memory>

#include "desktop_host/desktop_host_channel.h"
#include "messaging/binary_messenger.h"

namespace tesso {

// The service on `messenger` (the engine's, not owned) whose worker posts its result message to
// `window` (the top-level window, which routes it to DrainCompletions). None when the worker
// thread cannot be started. UI thread.
std::unique_ptr<DesktopHostChannel> MakeDesktopHostChannel(flutter::BinaryMessenger* messenger,
                                                           HWND window);

}  // namespace tesso

#endif  // TESSO_DESKTOP_HOST_DESKTOP_HOST_CHANNEL_WIN_H_
