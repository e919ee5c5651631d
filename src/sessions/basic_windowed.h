// The basic session in its common form, played in one pass per round: uniform codeword draws
// under the mask model, transmit decisions a window of words at a time (decide_window.h), and the
// closest-class reply and win test read from whole tables. It books the same outcomes from the
// same draws as SimSession.
#pragma once

#include <cstdint>

#include "core/records.h"

// The session routine that plays one session with the given number of dedicated listeners (1 for
// a success, else 0), in its form for the run's channel (fixed, or masks drawn every session) and
// draws (sequential, or keyed: each round's decisions from its keyed blocks).
// Chosen once, when session_paths.windowed_session is set.
SessionFn WindowedSessionFor(const SIM &S);
