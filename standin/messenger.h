// The engine's messenger: the handle the host sends and answers channel messages through.
#ifndef TESSO_STANDIN_MESSENGER_H_
#define TESSO_STANDIN_MESSENGER_H_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>

#include "messaging/engine_api.h"

namespace tesso::standin {

class Engine;

// Reference counted: the engine holds one reference and each holder another; the last
// Release frees it, so it can outlive its engine. Once the engine has ended it is no longer
// available and every operation on it does nothing.
class Messenger {
 public:
  // Starts with the engine's reference.
  explicit Messenger(Engine* engine) : engine_(engine) {}

  Messenger(const Messenger&) = delete;
  Messenger& operator=(const Messenger&) = delete;

  // Any thread.
  Messenger* AddRef() noexcept;
  void Release() noexcept;

  // The lock a host takes around IsAvailable and SendResponse so that an answer from a worker
  // cannot race with the end of the engine. Any thread; not recursive.
  Messenger* Lock() noexcept;
  void Unlock() noexcept;

  // False once the engine has ended. Any thread.
  bool IsAvailable() const noexcept { return available_.load(); }

  // The engine, null once it has ended. UI thread only.
  Engine* engine() const { return engine_; }

  // Called by the engine as it ends, on the UI thread; takes the lock.
  void DetachEngine() noexcept;

  // A response handle for call `id` of the driver on `channel`, valid until it is used.
  const FlutterDesktopMessageResponseHandle* NewResponseHandle(uint32_t id, std::string channel);

  // Answers the call behind `handle` with `data` (empty: not implemented). Any thread. A
  // handle used before, unknown or outliving its engine is ignored.
  void SendResponse(const FlutterDesktopMessageResponseHandle* handle, const uint8_t* data,
                    size_t size) noexcept;

 private:
  struct PendingCall {
    uint32_t id = 0;
    std::string channel;
  };

  ~Messenger() = default;

  std::atomic<int> references_{1};

  std::mutex lock_;  // the messenger lock; held while available_ changes
  std::atomic<bool> available_{true};
  Engine* engine_;  // UI thread only

  std::mutex pending_mutex_;  // guards pending_ and next_token_
  // Response handles are tokens, never addresses, so a stale or repeated one is harmless.
  std::unordered_map<uintptr_t, PendingCall> pending_;
  uintptr_t next_token_ = 1;
};

}  // namespace tesso::standin

#endif  // TESSO_STANDIN_MESSENGER_H_
