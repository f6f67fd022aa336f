// A ScreenCapture over fake ports that all log to one list, with the fakes still reachable.
// By default: one primary 64 x 48 monitor (kFakeMonitor) at (0, 0) that GDI shows, no
// duplication adapter, the user's desktop, and a clock that stands still.
#ifndef TESSO_TESTS_FAKES_FAKE_CAPTURE_H_
#define TESSO_TESTS_FAKES_FAKE_CAPTURE_H_

#include <cstdint>
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
    ports->clock = std::make_unique<FakeTickClock>();
    clock = static_cast<FakeTickClock*>(ports->clock.get());
    ports->duplication = std::make_unique<FakeDuplicationPort>(log, clock);
    duplication = static_cast<FakeDuplicationPort*>(ports->duplication.get());
    ports->gdi = std::make_unique<FakeGdiPort>(log);
    gdi = static_cast<FakeGdiPort*>(ports->gdi.get());
    ports->jpeg = std::make_unique<FakeJpegEncoderPort>(log);
    jpeg = static_cast<FakeJpegEncoderPort*>(ports->jpeg.get());
    ports->display = std::make_unique<FakeDisplayPort>();
    display = static_cast<FakeDisplayPort*>(ports->display.get());
    ports->session = std::make_unique<FakeSessionPort>();
    session = static_cast<FakeSessionPort*>(ports->session.get());
    SetDisplay(64, 48);
    capture = std::make_unique<tesso::ScreenCapture>(dxgi_allowed, std::move(ports));
  }

  // One primary monitor of width x height at (0, 0), which GDI shows in pattern 1.
  void SetDisplay(int32_t width, int32_t height, uintptr_t monitor = kFakeMonitor) {
    display->monitors = {Monitor(monitor, 0, 0, width, height, true)};
    gdi->width = width;
    gdi->screen = Pixels(size_t(width) * height * 4, 1);
  }
  // The log so far, as "call, call, ...", and a fresh one.
  std::string Take() {
    std::string text;
    for (const std::string& call : *log) text += (text.empty() ? "" : ", ") + call;
    log->clear();
    return text;
  }
  // Makes the guard find `state`.
  void SetDesktop(tesso::InputDesktopState state) {
    session->desktop_name =
        state == tesso::InputDesktopState::NormalDesktop ? u"Default" : u"Winlogon";
    // Session flags 0: WTS_SESSIONSTATE_LOCK.
    session->session =
        tesso::SessionInfoEx{1, state == tesso::InputDesktopState::SessionLocked ? 0 : 1};
  }

  std::shared_ptr<CallLog> log = std::make_shared<CallLog>();  // shared with the fakes
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
