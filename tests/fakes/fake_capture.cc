#include "tests/fakes/fake_capture.h"

#include <utility>

namespace tesso_test {

FakeCapture MakeFakeCapture(bool dxgi_allowed) {
  auto ports = std::make_unique<tesso::CapturePorts>();
  FakeCapture fake;
  auto clock = std::make_unique<FakeTickClock>();
  auto duplication = std::make_unique<FakeDuplicationPort>(clock.get());
  auto gdi = std::make_unique<FakeGdiPort>();
  auto jpeg = std::make_unique<FakeJpegEncoderPort>();
  auto display = std::make_unique<FakeDisplayPort>();
  auto session = std::make_unique<FakeSessionPort>();
  display->monitors.push_back(Monitor(kFakeMonitor, 0, 0, 64, 48, /*primary=*/true));
  gdi->SetScreen(0, 0, 64, 48, 1);
  fake.duplication = duplication.get();
  fake.gdi = gdi.get();
  fake.jpeg = jpeg.get();
  fake.clock = clock.get();
  fake.display = display.get();
  fake.session = session.get();
  ports->duplication = std::move(duplication);
  ports->gdi = std::move(gdi);
  ports->jpeg = std::move(jpeg);
  ports->clock = std::move(clock);
  ports->display = std::move(display);
  ports->session = std::move(session);
  fake.capture = std::make_unique<tesso::ScreenCapture>(dxgi_allowed, std::move(ports));
  return fake;
}

void SetDesktopState(FakeSessionPort* session, tesso::InputDesktopState state) {
  const bool normal = state == tesso::InputDesktopState::NormalDesktop;
  session->desktop_open_error.reset();
  session->desktop_name = normal ? u"Default" : u"Winlogon";
  // SessionFlags 0 is WTS_SESSIONSTATE_LOCK.
  const bool locked = state == tesso::InputDesktopState::SessionLocked;
  session->session = tesso::SessionInfoEx{1, locked ? 0 : 1};
}

}  // namespace tesso_test
