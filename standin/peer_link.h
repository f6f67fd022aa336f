// The user interface's side of every channel, carried over the process's standard input
// (driver -> engine) and standard output (engine -> driver) when TESSO_PEER_LINK=stdio.
#ifndef TESSO_STANDIN_PEER_LINK_H_
#define TESSO_STANDIN_PEER_LINK_H_

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "standin/wire/frame_codec.h"

namespace tesso::standin {

// One per process, like the standard streams it uses; it outlives every engine. A reader
// thread takes frames from standard input and queues them for the newest engine that asked for
// them (its receiver), waking it with a posted message so that they are handled on its UI
// thread. Frames that no engine can take are answered (a call gets an empty response) or
// dropped.
class PeerLink {
 public:
  // The link, or null when TESSO_PEER_LINK is not "stdio". Created on first use, never
  // destroyed (see the reader thread in peer_link_win.cc).
  static PeerLink* Get() noexcept;

  PeerLink(const PeerLink&) = delete;
  PeerLink& operator=(const PeerLink&) = delete;

  // Writes one frame to the driver; any thread. A frame too large for the link is replaced
  // by a "link_error" event.
  void Send(FrameKind kind, uint32_t id, std::string_view name, const uint8_t* body,
            size_t size) noexcept;

  // `window` (on its thread) gets `message` posted whenever frames wait for it. The newest
  // receiver takes every frame until it detaches.
  void AttachReceiver(HWND window, UINT message);
  // Frames still queued go to the next receiver, or are answered or dropped when none is left.
  void DetachReceiver(HWND window);
  // Starts handling a wake-up: the number of frames queued now for `window`, to be taken with
  // TakeFrame. Frames that arrive meanwhile post a new wake-up, which queues behind the
  // messages the host posted in between, so that link traffic never starves them.
  size_t BeginDrain(HWND window);
  // The next queued frame if `window` is the current receiver.
  std::optional<Frame> TakeFrame(HWND window);

 private:
  struct Receiver {
    HWND window;
    UINT message;
  };

  PeerLink(HANDLE input, HANDLE output);

  void ReadLoop() noexcept;
  void Deliver(Frame frame);
  // Lock held. A call gets an empty response; anything else is dropped.
  void AnswerUnclaimedLocked(const Frame& frame);
  void WriteAll(const std::vector<uint8_t>& bytes) noexcept;
  // Lock held. Posts a wake-up to the current receiver unless one is pending.
  void WakeLocked(bool force);

  const HANDLE input_;
  const HANDLE output_;

  std::mutex write_mutex_;  // keeps each frame on standard output whole

  std::mutex queue_mutex_;  // guards receivers_ and queue_
  std::vector<Receiver> receivers_;
  std::deque<Frame> queue_;
  // A wake-up is posted and not yet begun: one is enough however many frames arrive.
  bool wake_pending_ = false;
};

// Sends an event to the driver when the link is on; does nothing otherwise. Any thread.
void EmitEvent(std::string_view name, const std::string& json) noexcept;

}  // namespace tesso::standin

#endif  // TESSO_STANDIN_PEER_LINK_H_
