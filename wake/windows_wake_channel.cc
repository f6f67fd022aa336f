#include "wake/windows_wake_channel.h"

#include <string>
#include <utility>
#include <variant>

#include "messaging/standard_method_codec.h"
#include "wake/adapter_inventory.h"

namespace tesso {

WindowsWakeChannel::WindowsWakeChannel(flutter::BinaryMessenger* messenger, WindowHandle window,
                                       WakePorts ports)
    : ports_(std::move(ports)), window_(window) {
  channel_ = std::make_unique<flutter::MethodChannel<Value>>(
      messenger, kChannelName, &flutter::StandardMethodCodec::GetInstance());
  channel_->SetMethodCallHandler([this](const flutter::MethodCall<Value>& call,
                                        std::unique_ptr<flutter::MethodResult<Value>> result) {
    HandleMethodCall(call, std::move(result));
  });
}

WindowsWakeChannel::~WindowsWakeChannel() {
  channel_->SetMethodCallHandler(nullptr);
  if (worker_.joinable()) worker_.join();
  // The user interface gets no reply; the result warns that it was never answered.
  pending_result_.reset();
}

void WindowsWakeChannel::HandleMethodCall(const flutter::MethodCall<Value>& call,
                                          std::unique_ptr<flutter::MethodResult<Value>> result) {
  if (call.method_name() != kListAdapters) {
    result->NotImplemented();
    return;
  }
  // Arguments are ignored. A running query answers only the call that started it.
  if (pending_result_) {
    bool unposted = false;
    {
      std::lock_guard<std::mutex> lock(result_mutex_);
      unposted = result_unposted_;
    }
    if (!unposted) {
      result->Error(kBusyCode, kBusyMessage);
      return;
    }
    // The finished query's message never reached the window: answer its call now rather than
    // leave it, and every call after it, waiting for good.
    DeliverAdapterResult();
  }
  pending_result_ = std::move(result);
  // Only a delivered worker is ever replaced, and it has been joined; this is a safeguard.
  if (worker_.joinable()) worker_.join();
  if (!ports_.worker_starter->Start([this] { RunAdapterQuery(); }, &worker_)) {
    // No query will post a result: answer now, so that the next call can try again instead
    // of finding the service busy for good.
    std::unique_ptr<flutter::MethodResult<Value>> failed = std::move(pending_result_);
    failed->Error(kQueryCode, kQueryMessage);
  }
}

void WindowsWakeChannel::RunAdapterQuery() noexcept {
  bool failed = false;
  const int64_t started = ports_.clock->NowNanoseconds();
  Value value;
  try {
    value = BuildAdapterInventory(*ports_.ip_helper, &failed);
  } catch (...) {
    // Memory exhaustion in particular, reported as such; the inventory's own memory is free
    // again by now.
    failed = true;
    value = Value();
    try {
      value = MakeQueryError("GetAdaptersAddresses", kErrorNotEnoughMemory);
    } catch (...) {
      // Not even the error map fits: the call still gets its error, with no details.
    }
  }
  if (auto* map = std::get_if<flutter::EncodableMap>(&value)) {
    try {
      (*map)[Value("elapsed_ms")] = Value((ports_.clock->NowNanoseconds() - started) / 1000000);
    } catch (...) {
      // The outcome goes without its duration rather than not at all.
    }
  }
  std::lock_guard<std::mutex> lock(result_mutex_);
  result_value_ = std::move(value);
  result_failed_ = failed;
  result_ready_ = true;
  // Posted under the lock (posting never waits for the UI thread), so that a call which finds
  // the message refused also finds the outcome complete.
  result_unposted_ = !ports_.poster->PostMessageW(window_, kResultMessage, 0, 0);
}

void WindowsWakeChannel::DeliverAdapterResult() {
  if (!pending_result_) return;
  {
    // Any process can post the message: before the worker has stored its outcome it is not
    // the worker's, and waiting for the query here would hold the UI thread.
    std::lock_guard<std::mutex> lock(result_mutex_);
    if (!result_ready_) return;
  }
  // The worker has stored its outcome; at most its post and unlock remain.
  if (worker_.joinable()) worker_.join();
  std::unique_ptr<flutter::MethodResult<Value>> result = std::move(pending_result_);
  std::lock_guard<std::mutex> lock(result_mutex_);
  result_ready_ = false;
  result_unposted_ = false;
  if (!result_failed_) {
    result->Success(result_value_);
  } else {
    result->Error(kQueryCode, kQueryMessage, result_value_);
  }
}

}  // namespace tesso
