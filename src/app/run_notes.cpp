// The random-stream and precision notes of a run.
#include "app/run_notes.h"

#include <cstdio>

#include "core/state.h"
#include "support/keyed_rand.h"

void NoteRandomStreams(const SIM &S) {
  if (S.keyed.on)
    fprintf(stderr, "# rng keyed (layout %d), threads %ld\n", kKeyedLayout, long(S.threads));
  else
    fprintf(stderr, "# rng mt\n");
}

void NotePsInterval(const SIM &S, const RUN_TOTALS &totals) {
  if (totals.sessions == 0) {
    fprintf(stderr, "# Ps 95%% interval: none, no sessions\n");
    return;
  }
  if (!S.adaptive) {
    const INTERVAL i = WilsonInterval(totals.successes, totals.sessions);
    fprintf(stderr, "# Ps 95%% interval: %.6g .. %.6g (binomial, %lld sessions)\n", i.low, i.high,
            (long long)totals.sessions);
    return;
  }
  INTERVAL i;
  if (!BatchMeansInterval(totals.batches, &i)) {
    fprintf(stderr, "# Ps 95%% interval: none, too few sessions for batch means\n");
    return;
  }
  fprintf(stderr, "# Ps 95%% interval: %.6g .. %.6g (batch means, %ld batches of %lld sessions)\n",
          i.low, i.high, long(totals.batches.full), (long long)totals.batches.length);
}
