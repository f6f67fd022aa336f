// Constants of the process's start-up (Part 1.1).
#ifndef TESSO_RUNNER_START_UP_H_
#define TESSO_RUNNER_START_UP_H_

#include <cstdint>

namespace tesso {

// A named mutex in the logon session's local namespace: held by the first instance from its
// start until its message loop ends.
inline constexpr char16_t kSingleInstanceMutexName[] = u"Local\\Halvo.SingleInstance";
// The second instance broadcasts the registered message WindowChannel::kShowWindowMessageName.

// The top-level window, in logical (96 DPI) pixels.
inline constexpr char16_t kWindowTitle[] = u"Tesso";
inline constexpr int32_t kWindowOriginX = 10;
inline constexpr int32_t kWindowOriginY = 10;
inline constexpr int32_t kWindowWidth = 1280;
inline constexpr int32_t kWindowHeight = 720;

}  // namespace tesso

#endif  // TESSO_RUNNER_START_UP_H_
