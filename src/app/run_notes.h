// The run's notes on standard error at debug 2 and above: the random streams it draws from, and
// the 95% interval of its success probability from its own sessions.
#pragma once

#include "app/run_loop.h"
#include "core/records.h"

// "# rng keyed (layout L), threads N" or "# rng mt".
void NoteRandomStreams(const SIM &S);
// Wilson's binomial interval of the sessions, independent in every mode but the adaptive one;
// there, batch means of consecutive sessions.
void NotePsInterval(const SIM &S, const RUN_TOTALS &totals);
