// The wake service's other ports for tests: a poster that records each message and the thread
// it came from, a worker starter that can refuse, and a clock that answers from a script.
#ifndef TESSO_TESTS_FAKES_FAKE_WAKE_PORTS_H_
#define TESSO_TESTS_FAKES_FAKE_WAKE_PORTS_H_

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
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
  // Switch: the message is recorded but Windows "refuses" it (PostMessageW answers false).
  std::atomic<bool> refuse{false};

  // Waits until `count` messages have been posted; then returns them all.
  std::vector<PostedMessage> WaitForPosts(size_t count);
  std::vector<PostedMessage> Posted();

  bool PostMessageW(tesso::WindowHandle window, uint32_t message, uint64_t wparam,
                    int64_t lparam) override;

 private:
  std::mutex mutex_;  // guards posted_
  std::condition_variable changed_;
  std::vector<PostedMessage> posted_;
};

class FakeWorkerStarter : public tesso::WorkerStarter {
 public:
  // Switch: Start answers false without starting anything.
  bool fail = false;
  // Records (UI thread).
  int attempts = 0;
  int started = 0;

  bool Start(std::function<void()> body, std::thread* worker) override;
};

class FakeSteadyClock : public tesso::SteadyClock {
 public:
  // Answers in order; the last one repeats. None: 0.
  std::vector<int64_t> times;
  int reads = 0;

  int64_t NowNanoseconds() override;
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_FAKE_WAKE_PORTS_H_
