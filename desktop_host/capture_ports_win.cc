#include "desktop_host/capture_ports_win.h"

#include "desktop_host/duplication_port_win.h"
#include "desktop_host/gdi_port_win.h"
#include "desktop_host/jpeg_encoder_port_win.h"
#include "desktop_host/tick_clock_win.h"
#include "input/display_port_win.h"
#include "input/session_port_win.h"

namespace tesso {

std::unique_ptr<CapturePorts> MakeCapturePortsWin() {
  auto ports = std::make_unique<CapturePorts>();
  ports->duplication = std::make_unique<DuplicationPortWin>();
  ports->gdi = std::make_unique<GdiPortWin>();
  ports->jpeg = std::make_unique<JpegEncoderPortWin>();
  ports->clock = std::make_unique<TickClockWin>();
  ports->display = std::make_unique<DisplayPortWin>();
  ports->session = std::make_unique<SessionPortWin>();
  return ports;
}

}  // namespace tesso
