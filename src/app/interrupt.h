// Interruption of a run: SIGINT, SIGTERM and SIGHUP let the session in progress finish, so that the
// report covers every session made. Signals within a second of the first are the same request; a
// signal a second or more later ends the process at once.
#pragma once

#include <csignal>

// 0, or the signal that asked the run to stop. Read between sessions.
extern volatile sig_atomic_t interrupt_signal;

// Installs the handlers for SIGINT, SIGTERM and SIGHUP.
void CatchInterrupts();
