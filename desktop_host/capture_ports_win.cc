#include "desktop_host/capture_ports_win.h"

#include <cstdlib>
#include <cstring>

#include "desktop_host/duplication_port_win.h"
#include "desktop_host/fallback_frame_encoder.h"
#include "desktop_host/gdi_port_win.h"
#include "desktop_host/jpeg_encoder_port_win.h"
#include "desktop_host/tick_clock_win.h"
#include "desktop_host/turbo_jpeg_encoder.h"
#include "desktop_host/wic_frame_encoder.h"
#include "input/display_port_win.h"
#include "input/session_port_win.h"

namespace tesso {

namespace {

// libjpeg-turbo, with the imaging component for a frame it cannot encode; TESSO_FRAME_ENCODER=wic
// (benches and tests) leaves the imaging component alone.
std::unique_ptr<FrameEncoder> MakeFrameEncoder() {
  auto wic = std::make_unique<WicFrameEncoder>(std::make_unique<JpegEncoderPortWin>());
  const char* choice = std::getenv("TESSO_FRAME_ENCODER");
  if (choice != nullptr && std::strcmp(choice, "wic") == 0) return wic;
  return std::make_unique<FallbackFrameEncoder>(std::make_unique<TurboJpegEncoder>(),
                                                std::move(wic));
}

}  // namespace

std::unique_ptr<CapturePorts> MakeCapturePortsWin() {
  auto ports = std::make_unique<CapturePorts>();
  ports->duplication = std::make_unique<DuplicationPortWin>();
  ports->gdi = std::make_unique<GdiPortWin>();
  ports->encoder = MakeFrameEncoder();
  ports->clock = std::make_unique<TickClockWin>();
  ports->display = std::make_unique<DisplayPortWin>();
  ports->session = std::make_unique<SessionPortWin>();
  return ports;
}

}  // namespace tesso
