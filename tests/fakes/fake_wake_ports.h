// The worker ports for tests: a poster that records each message and the thread it came from,
// a worker starter that can refuse, and a clock that answers from a script.
#ifndef TESSO_TESTS_FAKES_FAKE_WAKE_PORTS_H_
#define TESSO_TESTS_FAKES_FAKE_WAKE_PORTS_H_

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "wake/wake_ports.h"

namespace tesso_test {

struct PostedMessage {
  tesso::WindowHandle window = tesso::WindowHandle::kNone;
  uint32_t message = 0;
  uint64_t wparam = 0;
  int64_t lparam = 0;
  std::thread::id thread;
};

class FakeMessagePoster : public tesso::MessagePoster {
 public:
  std::atomic<bool> refuse{false};  // recorded, but PostMessageW answers false

  // All messages posted, once there are at least `count`.
  std::vector<PostedMessage> WaitForPosts(size_t count) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this, count] { return posted_.size() >= count; });
    return posted_;
  }
  std::vector<PostedMessage> Posted() { return WaitForPosts(0); }

  bool PostMessageW(tesso::WindowHandle window, uint32_t message, uint64_t wparam,
                    int64_t lparam) override {
    std::lock_guard<std::mutex> lock(mutex_);
    posted_.push_back({window, message, wparam, lparam, std::this_thread::get_id()});
    changed_.notify_all();
    return !refuse;
  }

 private:
  std::mutex mutex_;  // guards posted_
  std::condition_variable changed_;
  std::vector<PostedMessage> posted_;
};

class FakeWorkerStarter : public tesso::WorkerStarter {
 public:
  bool fail = false;  // Start answers false without starting anything
  int attempts = 0, started = 0;

  bool Start(std::function<void()> body, std::thread* worker) override {
    ++attempts;
    if (fail) return false;
    ++started;
    *worker = std::thread(std::move(body));
    return true;
  }
};

class FakeSteadyClock : public tesso::SteadyClock {
 public:
  std::vector<int64_t> times;  // answered in order, the last one repeating; none: 0
  int reads = 0;

  int64_t NowNanoseconds() override {
    const size_t index = static_cast<size_t>(reads++);
    return times.empty() ? 0 : times[std::min(index, times.size() - 1)];
  }
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_FAKE_WAKE_PORTS_H_
