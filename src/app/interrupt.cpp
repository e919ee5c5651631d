// Signal handlers of the run loop.
#include "app/interrupt.h"

#include <initializer_list>

volatile sig_atomic_t interrupt_signal = 0;

namespace {

// The first signal is noted; a second one gets the signal's own default action.
void OnInterrupt(int signal_number) {
  if (interrupt_signal) {
    signal(signal_number, SIG_DFL);
    raise(signal_number);
    return;
  }
  interrupt_signal = signal_number;
}

}  // namespace

void CatchInterrupts() {
  struct sigaction action = {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal_number, &action, nullptr);
}
