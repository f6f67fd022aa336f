// What the desktop host fakes record: each port call as a short line in one list shared by
// the ports, with scripted answers by call name; and lines that several threads append to.
#ifndef TESSO_TESTS_FAKES_SHARED_LOG_H_
#define TESSO_TESTS_FAKES_SHARED_LOG_H_

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace tesso_test {

using CallLog = std::vector<std::string>;

// Logs each call and answers it from `fail` (a call's first word -> its answers in turn, 0
// after them); the objects of a call that succeeds are held until dropped.
template <typename Object>
struct Recorder {
  explicit Recorder(std::shared_ptr<CallLog> calls) : log(std::move(calls)) {}
  int32_t Make(const std::string& call, std::initializer_list<Object> objects = {}) {
    log->push_back(call);
    std::deque<int32_t>& answers = fail[call.substr(0, call.find(' '))];
    const int32_t hr = answers.empty() ? 0 : answers.front();
    if (!answers.empty()) answers.pop_front();
    if (hr >= 0) held.insert(objects);
    return hr;
  }
  void Drop(Object object, const char* name) {
    if (held.erase(object) != 0) log->push_back(std::string("Release ") + name);
  }

  std::shared_ptr<CallLog> log;
  std::map<std::string, std::deque<int32_t>> fail;
  std::set<Object> held;
};

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
