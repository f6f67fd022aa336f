#ifndef TESSO_MESSAGING_METHOD_CALL_H_
#define TESSO_MESSAGING_METHOD_CALL_H_

#include <memory>
#include <string>
#include <utility>

namespace flutter {

// One call of a method: its name and its arguments, which may be absent.
template <typename T>
class MethodCall {
 public:
  MethodCall(const std::string& method_name, std::unique_ptr<T> arguments)
      : method_name_(method_name), arguments_(std::move(arguments)) {}
  virtual ~MethodCall() = default;

  MethodCall(const MethodCall&) = delete;
  MethodCall& operator=(const MethodCall&) = delete;

  const std::string& method_name() const { return method_name_; }
  // Null when the call carries no arguments.
  const T* arguments() const { return arguments_.get(); }

 private:
  std::string method_name_;
  std::unique_ptr<T> arguments_;
};

}  // namespace flutter

#endif  // TESSO_MESSAGING_METHOD_CALL_H_
