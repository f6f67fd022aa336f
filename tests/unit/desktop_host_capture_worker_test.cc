// The capture worker on fake ports, with an engine that logs its life: the apartment and the
// engine live on the worker, tasks run in order and their completions only when drained, the
// bounded queue, and stopping with work waiting or running.
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "desktop_host/capture_worker.h"
#include "tests/fakes/fake_capture.h"
#include "tests/fakes/fake_wake_ports.h"

namespace tesso_test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

struct LoggingCapture {
  explicit LoggingCapture(FakeComApartment* apartment) : com(apartment) {
    com->log->Add("made" + com->Thread());
  }
  ~LoggingCapture() { com->log->Add("destroyed" + com->Thread()); }
  void ReleaseAll() { com->log->Add("ReleaseAll" + com->Thread()); }
  FakeComApartment* com;
};
using Worker = tesso::CaptureWorker<LoggingCapture>;

class CaptureWorkerTest : public ::testing::Test {
 protected:
  static constexpr tesso::WindowHandle kWindow = static_cast<tesso::WindowHandle>(0x5A5A);

  bool Start() {
    worker_ = std::make_unique<Worker>(
        kWindow, Worker::Ports{&poster_, &starter_, &com_,
                               [this] { return std::make_unique<LoggingCapture>(&com_); }});
    return worker_->Start();
  }
  // Logs "task <n>" on the worker, after `gate` opens; its completion logs "done <n>". What it
  // holds logs "<n> gone" when the task and its completion are both destroyed.
  Worker::Task Task(const std::string& n, std::shared_future<void> gate = {}) {
    std::shared_ptr<int> token(new int, [this, n](int* p) {
      log_.Add(n + " gone");
      delete p;
    });
    return [this, n, token, gate](LoggingCapture*) -> Worker::Completion {
      log_.Add("task " + n);
      if (gate.valid()) gate.wait();
      return [this, n, token] { log_.Add("done " + n); };
    };
  }
  std::vector<std::string> Since(size_t first) {
    const std::vector<std::string> lines = log_.Lines();
    return {lines.begin() + first, lines.end()};
  }

  SharedLog log_;
  FakeMessagePoster poster_;
  FakeWorkerStarter starter_;
  FakeComApartment com_{&log_, std::this_thread::get_id()};
  std::promise<void> open_;
  std::shared_future<void> gate_ = open_.get_future().share();
  std::unique_ptr<Worker> worker_;
};

TEST_F(CaptureWorkerTest, TheApartmentAndTheEngineLiveOnTheWorker) {
  // S_OK and S_FALSE are left again; a failure (RPC_E_CHANGED_MODE) is not.
  for (const int32_t result : {0, 1, static_cast<int32_t>(0x80010106u)}) {
    SCOPED_TRACE(result);
    com_.initialize_result = result;
    const size_t first = log_.Lines().size();
    ASSERT_TRUE(Start());
    worker_.reset();
    std::vector<std::string> expected = {"CoInitializeEx 0 worker", "made worker",
                                         "ReleaseAll worker", "destroyed worker"};
    if (result >= 0) expected.push_back("CoUninitialize worker");
    EXPECT_THAT(Since(first), ElementsAreArray(expected));
  }
}

TEST_F(CaptureWorkerTest, TasksRunInOrderAndTheirCompletionsOnlyWhenDrained) {
  ASSERT_TRUE(Start());
  for (const char* n : {"1", "2", "3"}) ASSERT_TRUE(worker_->PostTask(Task(n), false));
  for (const PostedMessage& posted : poster_.WaitForPosts(3)) {
    EXPECT_EQ(std::make_tuple(posted.window, posted.message, posted.wparam, posted.lparam),
              std::make_tuple(kWindow, 0x8059u, uint64_t{0}, int64_t{0}));
    EXPECT_NE(posted.thread, std::this_thread::get_id());
  }
  worker_->DrainCompletions();
  worker_->DrainCompletions();
  EXPECT_THAT(Since(2), ElementsAre("task 1", "task 2", "task 3", "done 1", "done 2", "done 3",
                                    "1 gone", "2 gone", "3 gone"));
}

TEST_F(CaptureWorkerTest, ACompletionQueuedDuringADrainRunsAtTheNextAndAnEmptyOneIsSkipped) {
  ASSERT_TRUE(Start());
  ASSERT_TRUE(worker_->PostTask([](LoggingCapture*) { return Worker::Completion(); }, false));
  // The first completion lets the next task finish and waits until its completion is queued.
  ASSERT_TRUE(worker_->PostTask(
      [this](LoggingCapture*) -> Worker::Completion {
        return [this] {
          open_.set_value();
          poster_.WaitForPosts(3);
          log_.Add("first drained");
        };
      },
      false));
  ASSERT_TRUE(worker_->PostTask(Task("late", gate_), false));
  poster_.WaitForPosts(2);
  worker_->DrainCompletions();
  EXPECT_EQ(log_.Lines().back(), "first drained");
  worker_->DrainCompletions();
  EXPECT_EQ(log_.Lines().back(), "late gone");
}

TEST_F(CaptureWorkerTest, StopWaitsForTheRunningTaskAndDropsEverythingQueued) {
  ASSERT_TRUE(Start());
  ASSERT_TRUE(worker_->PostTask(Task("finished"), false));
  ASSERT_TRUE(worker_->PostTask(Task("running", gate_), false));
  log_.Lines(4);
  ASSERT_TRUE(worker_->PostTask(Task("waiting"), false));
  ASSERT_TRUE(worker_->PostTask(Task("forced"), true));
  worker_->RequestStop();
  std::thread opener([this] { open_.set_value(); });
  worker_->Join();
  EXPECT_EQ(poster_.Posted().size(), 2u);  // the running task ended and was announced
  opener.join();
  worker_->DrainCompletions();  // nothing is left to run
  EXPECT_THAT(Since(2), ElementsAre("task finished", "task running", "ReleaseAll worker",
                                    "destroyed worker", "CoUninitialize worker", "finished gone",
                                    "running gone", "waiting gone", "forced gone"));
}

}  // namespace
}  // namespace tesso_test
