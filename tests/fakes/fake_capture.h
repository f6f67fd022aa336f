// A ScreenCapture over fake ports, with the fakes still reachable, for the capture engine and
// the desktop host channel tests. By default: one primary 64 x 48 monitor (handle
// kFakeMonitor) at (0, 0), a GDI screen of pattern 1 behind it, no duplication adapter (so
// duplication is backed off and every picture is a GDI copy), the user's desktop, and a clock
// that stands still.
#ifndef TESSO_TESTS_FAKES_FAKE_CAPTURE_H_
#define TESSO_TESTS_FAKES_FAKE_CAPTURE_H_

#include <cstdint>
#include <memory>

#include "desktop_host/screen_capture.h"
#include "input/input_desktop_guard.h"
#include "tests/fakes/fake_display_port.h"
#include "tests/fakes/fake_duplication_port.h"
#include "tests/fakes/fake_gdi_port.h"
#include "tests/fakes/fake_jpeg_encoder_port.h"
#include "tests/fakes/fake_session_port.h"
#include "tests/fakes/fake_tick_clock.h"

namespace tesso_test {

constexpr uintptr_t kFakeMonitor = 0x10001;

struct FakeCapture {
  FakeDuplicationPort* duplication = nullptr;
  FakeGdiPort* gdi = nullptr;
  FakeJpegEncoderPort* jpeg = nullptr;
  FakeTickClock* clock = nullptr;
  FakeDisplayPort* display = nullptr;
  FakeSessionPort* session = nullptr;
  std::unique_ptr<tesso::ScreenCapture> capture;  // owns the fakes above
};

FakeCapture MakeFakeCapture(bool dxgi_allowed = true);

// Makes the session port answer `state` to the guard.
void SetDesktopState(FakeSessionPort* session, tesso::InputDesktopState state);

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_FAKE_CAPTURE_H_
