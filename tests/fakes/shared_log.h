// A list of lines that several threads append to, for tests that put the calls of several
// fakes, on several threads, in one order.
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
  std::vector<std::string> Lines() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
  }
  // Waits until `count` lines are there; then returns them all.
  std::vector<std::string> WaitForLines(size_t count) const {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this, count] { return lines_.size() >= count; });
    return lines_;
  }

 private:
  mutable std::mutex mutex_;  // guards lines_
  mutable std::condition_variable changed_;
  std::vector<std::string> lines_;
};

// A one-way switch that threads wait for.
class Gate {
 public:
  void Open() {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }
  void Wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return open_; });
  }

 private:
  std::mutex mutex_;  // guards open_
  std::condition_variable changed_;
  bool open_ = false;
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_SHARED_LOG_H_
