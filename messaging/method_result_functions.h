#ifndef TESSO_MESSAGING_METHOD_RESULT_FUNCTIONS_H_
#define TESSO_MESSAGING_METHOD_RESULT_FUNCTIONS_H_

#include <functional>
#include <string>
#include <utility>

#include "messaging/method_result.h"

namespace flutter {

// A method result that forwards each answer to a callable; an empty callable ignores it.
template <typename T>
class MethodResultFunctions : public MethodResult<T> {
 public:
  using SuccessHandler = std::function<void(const T* result)>;
  using ErrorHandler =
      std::function<void(const std::string& code, const std::string& message, const T* details)>;
  using NotImplementedHandler = std::function<void()>;

  MethodResultFunctions(SuccessHandler on_success, ErrorHandler on_error,
                        NotImplementedHandler on_not_implemented)
      : on_success_(std::move(on_success)),
        on_error_(std::move(on_error)),
        on_not_implemented_(std::move(on_not_implemented)) {}

 protected:
  void SuccessInternal(const T* result) override {
    if (on_success_) on_success_(result);
  }
  void ErrorInternal(const std::string& code, const std::string& message,
                     const T* details) override {
    if (on_error_) on_error_(code, message, details);
  }
  void NotImplementedInternal() override {
    if (on_not_implemented_) on_not_implemented_();
  }

 private:
  SuccessHandler on_success_;
  ErrorHandler on_error_;
  NotImplementedHandler on_not_implemented_;
};

}  // namespace flutter

#endif  // TESSO_MESSAGING_METHOD_RESULT_FUNCTIONS_H_
