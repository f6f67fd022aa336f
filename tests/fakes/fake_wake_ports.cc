#include "tests/fakes/fake_wake_ports.h"

#include <algorithm>
#include <utility>

namespace tesso_test {

std::vector<PostedMessage> FakeMessagePoster::WaitForPosts(size_t count) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this, count] { return posted_.size() >= count; });
  return posted_;
}

std::vector<PostedMessage> FakeMessagePoster::Posted() {
  std::lock_guard<std::mutex> lock(mutex_);
  return posted_;
}

bool FakeMessagePoster::PostMessageW(tesso::WindowHandle window, uint32_t message, uint64_t wparam,
                                     int64_t lparam) {
  std::lock_guard<std::mutex> lock(mutex_);
  posted_.push_back({window, message, wparam, lparam, std::this_thread::get_id()});
  changed_.notify_all();
  return !refuse;
}

bool FakeWorkerStarter::Start(std::function<void()> body, std::thread* worker) {
  ++attempts;
  if (fail) return false;
  ++started;
  *worker = std::thread(std::move(body));
  return true;
}

int64_t FakeSteadyClock::NowNanoseconds() {
  const size_t index = static_cast<size_t>(reads++);
  if (times.empty()) return 0;
  return times[std::min(index, times.size() - 1)];
}

}  // namespace tesso_test
