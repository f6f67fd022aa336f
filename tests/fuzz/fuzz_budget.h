// The amplification bound every fuzz target checks: whatever the input, the decodes of one
// message never make up more than the budget past its end.
#ifndef TESSO_TESTS_FUZZ_FUZZ_BUDGET_H_
#define TESSO_TESTS_FUZZ_FUZZ_BUDGET_H_

#include <cstdio>
#include <cstdlib>

#include "messaging/standard_codec_serializer.h"

namespace tesso_fuzz {

// Counts the bytes made up on this thread while it lives; past `messages` budgets, aborts.
class BudgetCheck {
 public:
  explicit BudgetCheck(size_t messages = 1) : messages_(messages) {}
  ~BudgetCheck() {
    const size_t made_up = flutter::StandardCodecSerializer::MadeUpOnThisThread() - start_;
    if (made_up <= messages_ * flutter::StandardCodecSerializer::kMaxOverrun) return;
    std::fprintf(stderr, "made up %zu bytes past the end of %zu message(s)\n", made_up, messages_);
    std::abort();
  }
  BudgetCheck(const BudgetCheck&) = delete;
  BudgetCheck& operator=(const BudgetCheck&) = delete;

 private:
  const size_t start_ = flutter::StandardCodecSerializer::MadeUpOnThisThread();
  const size_t messages_;
};

}  // namespace tesso_fuzz

#endif  // TESSO_TESTS_FUZZ_FUZZ_BUDGET_H_
