// What the desktop host fakes record: each port call as a short line in one
// list shared by the ports, with scripted answers by call name; lines that
// several threads append to; and the COM seam, which logs there with the thread
// it was called on.
#ifndef TESSO_TESTS_FAKES_SHARED_LOG_H_
#define TESSO_TESTS_FAKES_SHARED_LOG_H_

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "desktop_host/com_apartment.h"

namespace tesso_test {

using CallLog = std::vector<std::string>;

// Logs each call and answers it from `fail` (a call's first word -> its answers
// in turn, 0 after them); the objects of a call that succeeds are held until
// dropped.
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
  // Logs "<name> <arguments...>" and answers it as Make does.
  template <typename... Arguments>
  int32_t Call(std::initializer_list<Object> objects, const char* name,
               const Arguments&... arguments) {
    std::ostringstream line;
    line << name;
    ((line << ' ' << arguments), ...);
    return Make(line.str(), objects);
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

// Answers CoInitializeEx as told; "ui" or "worker" tells the thread of a call.
struct FakeComApartment : tesso::ComApartment {
  FakeComApartment(SharedLog* lines, std::thread::id ui_thread) : log(lines), ui(ui_thread) {}
  int32_t CoInitializeEx(uint32_t coinit) override {
    log->Add("CoInitializeEx " + std::to_string(coinit) + Thread());
    return initialize_result;
  }
  void CoUninitialize() override { log->Add("CoUninitialize" + Thread()); }
  std::string Thread() const { return std::this_thread::get_id() == ui ? " ui" : " worker"; }

  SharedLog* log;
  std::thread::id ui;
  int32_t initialize_result = 0;  // set before the worker starts
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_SHARED_LOG_H_
