// The windowed transmit decisions' rare path and their form for the working lists.
#include "sessions/decide_window.h"

[[gnu::noinline]] bool DecidesToTransmitOutOfLine(SIM &S, NODE *node, int32_t k) {
  return DecidesToTransmit(S, node, k);
}

void DrawTransmittersUniformMask(SIM &S, const NODELIST *alive, NODELIST *tx, int32_t k) {
  const WINDOW_DRAW d = WindowDrawOf(S);
  const uint64_t threshold = ThresholdOf(&S.pt_threshold, S.pt[k]);
  tx->count = DecideRoundOfNodes(S, d, alive->members, alive->count, tx->members, k, threshold,
                                 &S.ORed_word);
}
