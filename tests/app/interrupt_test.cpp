// The signal handlers of the run loop: the first signal is noted for the loop, signals within a
// second of it are the same request, and a signal a second later ends the process at once.
#include "app/interrupt.h"

#include <unistd.h>

#include <csignal>

#include "common/test_util.h"

namespace {

TEST(InterruptDeathTest, SignalsTogetherAreOneRequestAndALaterOneEndsTheProcess) {
  auto together = [] {
    CatchInterrupts(), raise(SIGTERM), raise(SIGINT), raise(SIGTERM);
    exit(interrupt_signal == SIGTERM);
  };
  EXPECT_EXIT(together(), testing::ExitedWithCode(1), "");
  auto later = [] { CatchInterrupts(), raise(SIGINT), usleep(1100000), raise(SIGHUP), exit(0); };
  EXPECT_EXIT(later(), testing::KilledBySignal(SIGHUP), "");
}

}  // namespace
