// The signal handlers of the run loop: the first signal is noted for the loop, a second one ends
// the process with the signal at once.
#include "app/interrupt.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

namespace {

TEST(InterruptDeathTest, TheFirstSignalIsNotedAndASecondEndsTheProcess) {
  auto first = [] { CatchInterrupts(), raise(SIGTERM), exit(interrupt_signal == SIGTERM); };
  EXPECT_EXIT(first(), testing::ExitedWithCode(1), "");
  auto second = [] { CatchInterrupts(), raise(SIGINT), raise(SIGHUP), exit(0); };
  EXPECT_EXIT(second(), testing::KilledBySignal(SIGHUP), "");
}

}  // namespace
