// Runs a callable when the scope ends, on every path out of it: the release half of a
// resource that is made and given back through a port.
#ifndef TESSO_BASE_SCOPE_EXIT_H_
#define TESSO_BASE_SCOPE_EXIT_H_

#include <utility>

namespace tesso {

template <typename F>
class ScopeExit {
 public:
  explicit ScopeExit(F f) : f_(std::move(f)) {}
  ~ScopeExit() { f_(); }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;

 private:
  F f_;
};

}  // namespace tesso

#endif  // TESSO_BASE_SCOPE_EXIT_H_
