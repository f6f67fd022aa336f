// The callables that carry one input action from the UI thread to the capture worker.
#ifndef TESSO_INPUT_INPUT_JOB_H_
#define TESSO_INPUT_INPUT_JOB_H_

#include <functional>
#include <memory>

#include "messaging/encodable_value.h"
#include "messaging/method_result.h"

namespace tesso {

// One input step, run on the capture worker; its result is the reply's success(bool).
using InputJob = std::function<bool()>;

// A call's result in shared ownership, so that a queued job's completion can answer it.
using SharedMethodResult = std::shared_ptr<flutter::MethodResult<flutter::EncodableValue>>;

// The desktop host's RunInputJob: queues the job and later replies success(its result), or
// replies success(false) at once when the queue refuses it. UI thread only.
using RunInputJobFunction = std::function<void(SharedMethodResult, InputJob)>;

}  // namespace tesso

#endif  // TESSO_INPUT_INPUT_JOB_H_
