#include <windows.h>

#include <algorithm>
#include <thread>

#include "standin/env_win.h"
#include "standin/peer_link.h"
#include "standin/wire/json_writer.h"

namespace tesso::standin {
namespace {

struct StdHandles {
  HANDLE input = nullptr;
  HANDLE output = nullptr;
};

HANDLE DuplicateOwn(HANDLE handle) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return nullptr;
  HANDLE copy = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, FALSE,
                       DUPLICATE_SAME_ACCESS)) {
    return nullptr;
  }
  return copy;
}

StdHandles CaptureStdHandles() noexcept {
  if (GetEnv(L"TESSO_PEER_LINK") != "stdio") return {};
  return {DuplicateOwn(GetStdHandle(STD_INPUT_HANDLE)),
          DuplicateOwn(GetStdHandle(STD_OUTPUT_HANDLE))};
}

// Taken while the library loads, before the host can point its standard handles elsewhere
// (a console it attaches, for one). The duplicates belong to the link, which lives as long as
// the process, so they are never closed.
const StdHandles g_std_handles = CaptureStdHandles();

bool IsDriverKind(uint8_t kind) {
  return kind == static_cast<uint8_t>(FrameKind::kCall) ||
         kind == static_cast<uint8_t>(FrameKind::kHostReply) ||
         kind == static_cast<uint8_t>(FrameKind::kControl);
}

}  // namespace

PeerLink* PeerLink::Get() noexcept {
  static PeerLink* const link = []() -> PeerLink* {
    if (g_std_handles.input == nullptr && g_std_handles.output == nullptr) return nullptr;
    try {
      // Deliberately never deleted: the reader thread may be blocked in ReadFile on it until
      // the process ends.
      return new PeerLink(g_std_handles.input, g_std_handles.output);
    } catch (...) {
      return nullptr;
    }
  }();
  return link;
}

PeerLink::PeerLink(HANDLE input, HANDLE output) : input_(input), output_(output) {
  if (input_ == nullptr) return;
  // The reader blocks in ReadFile on standard input, which nothing can interrupt portably;
  // joining it when the library unloads could hang the process's exit. It is detached instead
  // and ends with the process (Windows stops other threads before unloading libraries at exit),
  // and the link it uses is never freed, so it never touches freed memory.
  std::thread([this]() noexcept { ReadLoop(); }).detach();
}

void PeerLink::ReadLoop() noexcept {
  const ByteSource source = [this](uint8_t* buffer, size_t size) -> size_t {
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(size, 1u << 20));
    if (!ReadFile(input_, buffer, want, &got, nullptr)) return 0;
    return got;
  };
  try {
    while (true) {
      ReadResult result = ReadFrame(source);
      if (result.status == ReadStatus::kEnd) return;
      if (result.status == ReadStatus::kMalformed) {
        EmitEvent("link_error", JsonObjectWriter().String("reason", result.error).Finish());
        continue;
      }
      Deliver(std::move(result.frame));
    }
  } catch (...) {
    // Out of memory: stop reading; the engines carry on without their peer.
  }
}

void PeerLink::Deliver(Frame frame) {
  if (!IsDriverKind(frame.kind)) {
    EmitEvent("link_error", JsonObjectWriter()
                                .String("reason", "unexpected frame kind")
                                .Int("kind", frame.kind)
                                .Finish());
    return;
  }
  std::lock_guard<std::mutex> lock(queue_mutex_);
  if (receivers_.empty()) {
    AnswerUnclaimedLocked(frame);
    return;
  }
  queue_.push_back(std::move(frame));
  WakeLocked(false);
}

void PeerLink::WakeLocked(bool force) {
  if (receivers_.empty() || (wake_pending_ && !force)) return;
  wake_pending_ = PostMessageW(receivers_.back().window, receivers_.back().message, 0, 0) != FALSE;
}

void PeerLink::AnswerUnclaimedLocked(const Frame& frame) {
  if (frame.kind == static_cast<uint8_t>(FrameKind::kCall)) {
    Send(FrameKind::kResponse, frame.id, frame.name, nullptr, 0);
  }
}

void PeerLink::AttachReceiver(HWND window, UINT message) {
  std::lock_guard<std::mutex> lock(queue_mutex_);
  receivers_.push_back({window, message});
  if (!queue_.empty()) WakeLocked(true);
}

void PeerLink::DetachReceiver(HWND window) {
  std::lock_guard<std::mutex> lock(queue_mutex_);
  receivers_.erase(std::remove_if(receivers_.begin(), receivers_.end(),
                                  [window](const Receiver& r) { return r.window == window; }),
                   receivers_.end());
  if (queue_.empty()) return;
  if (!receivers_.empty()) {
    WakeLocked(true);
    return;
  }
  for (const Frame& frame : queue_) AnswerUnclaimedLocked(frame);
  queue_.clear();
  wake_pending_ = false;
}

size_t PeerLink::BeginDrain(HWND window) {
  std::lock_guard<std::mutex> lock(queue_mutex_);
  if (receivers_.empty() || receivers_.back().window != window) return 0;
  wake_pending_ = false;
  return queue_.size();
}

std::optional<Frame> PeerLink::TakeFrame(HWND window) {
  std::lock_guard<std::mutex> lock(queue_mutex_);
  if (queue_.empty() || receivers_.empty() || receivers_.back().window != window) {
    return std::nullopt;
  }
  Frame frame = std::move(queue_.front());
  queue_.pop_front();
  return frame;
}

void PeerLink::Send(FrameKind kind, uint32_t id, std::string_view name, const uint8_t* body,
                    size_t size) noexcept {
  if (output_ == nullptr) return;
  try {
    std::optional<std::vector<uint8_t>> bytes = EncodeFrame(kind, id, name, body, size);
    if (!bytes) {
      const std::string json = JsonObjectWriter()
                                   .String("reason", "outgoing frame too large")
                                   .Int("kind", static_cast<int>(kind))
                                   .Int("id", id)
                                   .Uint("size", size)
                                   .Finish();
      bytes = EncodeFrame(FrameKind::kEvent, 0, "link_error",
                          reinterpret_cast<const uint8_t*>(json.data()), json.size());
      if (!bytes) return;
    }
    WriteAll(*bytes);
  } catch (...) {
    // Out of memory: the frame is lost, the process goes on.
  }
}

void PeerLink::WriteAll(const std::vector<uint8_t>& bytes) noexcept {
  std::lock_guard<std::mutex> lock(write_mutex_);
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    const DWORD piece = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
    if (!WriteFile(output_, bytes.data() + done, piece, &written, nullptr) || written == 0) return;
    done += written;
  }
}

void EmitEvent(std::string_view name, const std::string& json) noexcept {
  if (PeerLink* link = PeerLink::Get()) {
    link->Send(FrameKind::kEvent, 0, name, reinterpret_cast<const uint8_t*>(json.data()),
               json.size());
  }
}

}  // namespace tesso::standin
