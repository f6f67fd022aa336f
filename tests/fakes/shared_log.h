// Lines that several threads append to, in one order, and a wait for a number of them.
#ifndef TESSO_TESTS_FAKES_SHARED_LOG_H_
#define TESSO_TESTS_FAKES_SHARED_LOG_H_

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

namespace tesso_test {

class SharedLog {
 public:
  void Add(std::string line) {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.push_back(std::move(line));
    changed_.notify_all();
  }
  // Waits until `count` lines are there; then returns them all.
  std::vector<std::string> Lines(size_t count = 0) const {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this, count] { return lines_.size() >= count; });
    return lines_;
  }

 private:
  mutable std::mutex mutex_;  // guards lines_
  mutable std::condition_variable changed_;
  std::vector<std::string> lines_;
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_SHARED_LOG_H_
