#include "standin/messenger.h"

#include "standin/peer_link.h"

namespace tesso::standin {

Messenger* Messenger::AddRef() noexcept {
  references_.fetch_add(1);
  return this;
}

void Messenger::Release() noexcept {
  if (references_.fetch_sub(1) == 1) delete this;
}

Messenger* Messenger::Lock() noexcept {
  lock_.lock();
  return this;
}

void Messenger::Unlock() noexcept { lock_.unlock(); }

void Messenger::DetachEngine() noexcept {
  std::lock_guard<std::mutex> lock(lock_);
  available_.store(false);
  engine_ = nullptr;
}

const FlutterDesktopMessageResponseHandle* Messenger::NewResponseHandle(uint32_t id,
                                                                        std::string channel) {
  std::lock_guard<std::mutex> lock(pending_mutex_);
  const uintptr_t token = next_token_++;
  pending_.emplace(token, PendingCall{id, std::move(channel)});
  return reinterpret_cast<const FlutterDesktopMessageResponseHandle*>(token);
}

void Messenger::SendResponse(const FlutterDesktopMessageResponseHandle* handle, const uint8_t* data,
                             size_t size) noexcept {
  PendingCall call;
  {
    std::lock_guard<std::mutex> lock(pending_mutex_);
    const auto it = pending_.find(reinterpret_cast<uintptr_t>(handle));
    if (it == pending_.end()) return;
    call = std::move(it->second);
    pending_.erase(it);
  }
  if (!available_.load()) return;
  if (PeerLink* link = PeerLink::Get()) {
    link->Send(FrameKind::kResponse, call.id, call.channel, size > 0 ? data : nullptr, size);
  }
}

}  // namespace tesso::standin
