// The capture worker's queue rules on fake ports, with a capture engine that logs its life:
// the apartment and the engine belong to the worker, tasks run in order and their completions
// run only when drained, the bounded queue, and stopping with work waiting or running.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "desktop_host/capture_worker.h"
#include "tests/fakes/fake_com_apartment.h"
#include "tests/fakes/fake_wake_ports.h"
#include "tests/fakes/shared_log.h"

namespace tesso_test {
namespace {

using testing::ElementsAre;
using testing::ElementsAreArray;

// Logs its creation, ReleaseAll and destruction, with the thread.
class LoggingCapture {
 public:
  LoggingCapture(SharedLog* log, std::thread::id ui) : log_(log), ui_(ui) { Log("created"); }
  ~LoggingCapture() { Log("destroyed"); }
  void ReleaseAll() { Log("ReleaseAll"); }

 private:
  void Log(const std::string& what) {
    log_->Add("capture " + what + (std::this_thread::get_id() == ui_ ? " ui" : " worker"));
  }
  SharedLog* log_;
  std::thread::id ui_;
};

using Worker = tesso::CaptureWorker<LoggingCapture>;

class CaptureWorkerTest : public testing::Test {
 protected:
  static constexpr tesso::WindowHandle kWindow = static_cast<tesso::WindowHandle>(0x5A5A);

  void Start() {
    Worker::Ports ports;
    ports.poster = &poster_;
    ports.starter = &starter_;
    ports.com = &com_;
    ports.make_capture = [this] { return std::make_unique<LoggingCapture>(&log_, ui_); };
    worker_ = std::make_unique<Worker>(kWindow, std::move(ports));
    ASSERT_TRUE(worker_->Start());
  }

  // A token whose destruction is logged as "<name> destroyed": a stand-in for what a task or a
  // completion holds, such as a result handle.
  std::shared_ptr<int> Token(const std::string& name) {
    return std::shared_ptr<int>(new int(0), [this, name](int* token) {
      log_.Add(name + " destroyed");
      delete token;
    });
  }

  // A task that logs "task <n>" when it runs and whose completion logs "completion <n>".
  Worker::Task Task(int n) {
    return [this, n](LoggingCapture&) -> Worker::Completion {
      log_.Add("task " + std::to_string(n));
      return [this, n] { log_.Add("completion " + std::to_string(n)); };
    };
  }

  // A task that holds the worker until `gate_` opens.
  Worker::Task Blocker() {
    return [this](LoggingCapture&) -> Worker::Completion {
      log_.Add("blocker running");
      gate_.Wait();
      log_.Add("blocker done");
      return [this] { log_.Add("blocker completion"); };
    };
  }

  const std::thread::id ui_ = std::this_thread::get_id();
  SharedLog log_;
  Gate gate_;
  FakeMessagePoster poster_;
  FakeWorkerStarter starter_;
  FakeComApartment com_{&log_, ui_};
  std::unique_ptr<Worker> worker_;
};

TEST_F(CaptureWorkerTest, TheApartmentAndTheEngineLiveOnTheWorker) {
  // CoInitializeEx results: S_OK and S_FALSE are left again, a failure (RPC_E_CHANGED_MODE)
  // is not.
  const struct {
    int32_t result;
    bool uninitialized;
  } cases[] = {{0, true}, {1, true}, {static_cast<int32_t>(0x80010106u), false}};
  size_t posts = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.result);
    com_.initialize_result = c.result;
    const size_t before = log_.Lines().size();
    Start();
    ASSERT_TRUE(worker_->PostTask(Task(1), false));
    poster_.WaitForPosts(++posts);
    worker_.reset();
    std::vector<std::string> expected = {"CoInitializeEx 0 worker", "capture created worker",
                                         "task 1", "capture ReleaseAll worker",
                                         "capture destroyed worker"};
    if (c.uninitialized) expected.push_back("CoUninitialize worker");
    const std::vector<std::string> lines = log_.Lines();
    EXPECT_THAT(std::vector<std::string>(lines.begin() + before, lines.end()),
                ElementsAreArray(expected));
  }
}

TEST_F(CaptureWorkerTest, TasksRunInOrderAndTheirCompletionsOnlyWhenDrained) {
  Start();
  for (int n = 1; n <= 3; ++n) ASSERT_TRUE(worker_->PostTask(Task(n), false));
  const std::vector<PostedMessage> posted = poster_.WaitForPosts(3);
  EXPECT_THAT(log_.WaitForLines(5), ElementsAre("CoInitializeEx 0 worker", "capture created worker",
                                                "task 1", "task 2", "task 3"));
  for (const PostedMessage& message : posted) {
    EXPECT_EQ(message.window, kWindow);
    EXPECT_EQ(message.message, 0x8059u);
    EXPECT_EQ(message.wparam, 0u);
    EXPECT_EQ(message.lparam, 0);
    EXPECT_NE(message.thread, ui_);
  }
  worker_->DrainCompletions();
  worker_->DrainCompletions();  // a drain that finds nothing does nothing
  const std::vector<std::string> lines = log_.Lines();
  EXPECT_THAT(std::vector<std::string>(lines.begin() + 5, lines.end()),
              ElementsAre("completion 1", "completion 2", "completion 3"));
}

TEST_F(CaptureWorkerTest, AFullQueueRefusesAndDestroysAnUnforcedTaskButTakesAForcedOne) {
  Start();
  ASSERT_TRUE(worker_->PostTask(Blocker(), false));
  log_.WaitForLines(3);  // the blocker runs: the queue is empty again
  for (int n = 1; n <= 32; ++n) ASSERT_TRUE(worker_->PostTask(Task(n), false)) << n;

  std::shared_ptr<int> token = Token("task 33");
  Worker::Task refused = [this, token](LoggingCapture&) -> Worker::Completion {
    log_.Add("task 33 ran");
    return nullptr;
  };
  token.reset();
  EXPECT_FALSE(worker_->PostTask(std::move(refused), false));
  EXPECT_EQ(log_.Lines().back(), "task 33 destroyed");  // once, before PostTask returned
  EXPECT_TRUE(worker_->PostTask(Task(34), true));       // 33 waiting

  gate_.Open();
  std::vector<std::string> expected = {"CoInitializeEx 0 worker", "capture created worker",
                                       "blocker running", "task 33 destroyed", "blocker done"};
  for (int n = 1; n <= 32; ++n) expected.push_back("task " + std::to_string(n));
  expected.push_back("task 34");
  poster_.WaitForPosts(34);
  EXPECT_THAT(log_.Lines(), ElementsAreArray(expected));
}

TEST_F(CaptureWorkerTest, ACompletionQueuedDuringADrainRunsAtTheNextDrain) {
  Start();
  // Completion 1 lets task 2 run and waits until its completion is queued.
  ASSERT_TRUE(worker_->PostTask(
      [this](LoggingCapture&) -> Worker::Completion {
        return [this] {
          log_.Add("completion 1");
          gate_.Open();
          poster_.WaitForPosts(2);
        };
      },
      false));
  ASSERT_TRUE(worker_->PostTask(
      [this](LoggingCapture&) -> Worker::Completion {
        gate_.Wait();
        return [this] { log_.Add("completion 2"); };
      },
      false));
  poster_.WaitForPosts(1);
  worker_->DrainCompletions();
  EXPECT_EQ(log_.Lines().back(), "completion 1");
  worker_->DrainCompletions();
  EXPECT_EQ(log_.Lines().back(), "completion 2");
}

TEST_F(CaptureWorkerTest, AnEmptyCompletionIsSkippedButStillAnnounced) {
  Start();
  ASSERT_TRUE(worker_->PostTask([](LoggingCapture&) { return Worker::Completion(); }, true));
  ASSERT_TRUE(worker_->PostTask(Task(2), false));
  poster_.WaitForPosts(2);
  worker_->DrainCompletions();
  EXPECT_EQ(log_.Lines().back(), "completion 2");
}

TEST_F(CaptureWorkerTest, StopWaitsForTheRunningTaskAndDropsEverythingQueued) {
  Start();
  // A finished task whose completion is never drained, a running one and two waiting ones,
  // each holding a token.
  auto holding = [this](const std::string& name, Worker::Task task) -> Worker::Task {
    std::shared_ptr<int> token = Token(name);
    return [token, task](LoggingCapture& capture) {
      Worker::Completion completion = task(capture);
      return [token, completion] { completion(); };
    };
  };
  ASSERT_TRUE(worker_->PostTask(holding("first", Task(1)), false));
  ASSERT_TRUE(worker_->PostTask(holding("running", Blocker()), false));
  log_.WaitForLines(4);
  ASSERT_TRUE(worker_->PostTask(holding("waiting 1", Task(3)), false));
  ASSERT_TRUE(worker_->PostTask(holding("waiting 2", Task(4)), true));

  worker_->RequestStop();
  std::thread opener([this] { gate_.Open(); });
  worker_->Join();
  // The running task had finished and announced itself before Join returned.
  EXPECT_EQ(poster_.Posted().size(), 2u);
  opener.join();
  worker_->DrainCompletions();  // nothing is left to run
  EXPECT_THAT(log_.Lines(),
              ElementsAre("CoInitializeEx 0 worker", "capture created worker", "task 1",
                          "blocker running", "blocker done", "capture ReleaseAll worker",
                          "capture destroyed worker", "CoUninitialize worker", "first destroyed",
                          "running destroyed", "waiting 1 destroyed", "waiting 2 destroyed"));
}

TEST_F(CaptureWorkerTest, AWorkerThatCannotStartRunsNothing) {
  starter_.fail = true;
  Worker::Ports ports;
  ports.poster = &poster_;
  ports.starter = &starter_;
  ports.com = &com_;
  ports.make_capture = [this] { return std::make_unique<LoggingCapture>(&log_, ui_); };
  worker_ = std::make_unique<Worker>(kWindow, std::move(ports));
  EXPECT_FALSE(worker_->Start());
  std::shared_ptr<int> token = Token("task");
  EXPECT_TRUE(worker_->PostTask([token](LoggingCapture&) { return Worker::Completion(); }, false));
  token.reset();
  worker_.reset();
  EXPECT_THAT(log_.Lines(), ElementsAre("task destroyed"));
  EXPECT_TRUE(poster_.Posted().empty());
}

}  // namespace
}  // namespace tesso_test
