// Signal handlers of the run loop.
#include "app/interrupt.h"

#include <time.h>

#include <initializer_list>

volatile sig_atomic_t interrupt_signal = 0;

namespace {

// When the first signal came, in whole seconds and nanoseconds of the monotonic clock.
volatile sig_atomic_t first_seconds = 0, first_nanoseconds = 0;

// Signals sent together (to a process and then to its group, as timeout and batch systems do)
// arrive within a second of each other; only a signal a second or more after the first is a
// second request.
bool SecondRequest() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  const long long elapsed_ns = (now.tv_sec - first_seconds) * 1000000000LL +
                               (now.tv_nsec - first_nanoseconds);
  return elapsed_ns >= 1000000000LL;
}

// The first signal is noted with its time; a second request gets the signal's own default action.
void OnInterrupt(int signal_number) {
  if (interrupt_signal) {
    if (!SecondRequest()) return;
    signal(signal_number, SIG_DFL);
    raise(signal_number);
    return;
  }
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  first_seconds = sig_atomic_t(now.tv_sec);
  first_nanoseconds = sig_atomic_t(now.tv_nsec);
  interrupt_signal = signal_number;
}

}  // namespace

void CatchInterrupts() {
  struct sigaction action = {};
  action.sa_handler = OnInterrupt;
  // The handler is not entered again while it runs, whichever of the three signals comes.
  sigemptyset(&action.sa_mask);
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&action.sa_mask, signal_number);
  action.sa_flags = SA_RESTART;
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal_number, &action, nullptr);
}
