// A ScreenCapture over fake ports that log to one list, with the fakes still reachable. By
// default: one primary 64 x 48 monitor (kFakeMonitor) at (0, 0) that GDI shows, no
// duplication adapter, the user's desktop, and a clock that stands still.
#ifndef TESSO_TESTS_FAKES_FAKE_CAPTURE_H_
#define TESSO_TESTS_FAKES_FAKE_CAPTURE_H_

#include <memory>
#include <string>

#include "desktop_host/screen_capture.h"
#include "input/input_desktop_guard.h"
#include "tests/fakes/fake_display_port.h"
#include "tests/fakes/fake_duplication_port.h"
#include "tests/fakes/fake_gdi_port.h"
#include "tests/fakes/fake_jpeg_encoder_port.h"
#include "tests/fakes/fake_session_port.h"

namespace tesso_test {

constexpr uintptr_t kFakeMonitor = 0x10001;

struct FakeCapture {
  explicit FakeCapture(bool dxgi_allowed = true) {
    auto ports = std::make_unique<tesso::CapturePorts>();
    ports->clock.reset(clock = new FakeTickClock);
    ports->duplication.reset(duplication = new FakeDuplicationPort(log, clock));
    ports->gdi.reset(gdi = new FakeGdiPort(log));
    ports->jpeg.reset(jpeg = new FakeJpegEncoderPort(log));
    ports->display.reset(display = new FakeDisplayPort);
    ports->session.reset(session = new FakeSessionPort);
    SetDisplay(64, 48);
    capture = std::make_unique<tesso::ScreenCapture>(dxgi_allowed, std::move(ports));
  }
  // One primary monitor of width x height at (0, 0), which GDI shows.
  void SetDisplay(int32_t width, int32_t height, uintptr_t monitor = kFakeMonitor) {
    display->monitors = {Monitor(monitor, 0, 0, width, height, true)};
    gdi->width = width;
    gdi->screen = Pixels(size_t(width) * height * 4, 1);
  }
  // Makes the guard find `state`.
  void SetDesktop(tesso::InputDesktopState state) {
    using State = tesso::InputDesktopState;
    session->desktop_name = state == State::NormalDesktop ? u"Default" : u"Winlogon";
    // Session flags 0: WTS_SESSIONSTATE_LOCK.
    session->session = tesso::SessionInfoEx{1, state == State::SessionLocked ? 0 : 1};
  }
  // The calls so far as "call, call, ...", forgotten.
  std::string Take() {
    std::string text;
    for (const std::string& call : *log) text += (text.empty() ? "" : ", ") + call;
    log->clear();
    return text;
  }

  std::shared_ptr<CallLog> log = std::make_shared<CallLog>();
  FakeTickClock* clock;
  FakeDuplicationPort* duplication;
  FakeGdiPort* gdi;
  FakeJpegEncoderPort* jpeg;
  FakeDisplayPort* display;
  FakeSessionPort* session;
  std::unique_ptr<tesso::ScreenCapture> capture;  // owns the fakes above
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_FAKE_CAPTURE_H_
