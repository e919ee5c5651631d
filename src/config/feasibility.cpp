// What a session needs to end in a success. A round decides only when someone transmits and
// someone listens; a success needs all contenders but one to drop out in decided rounds. A
// contender can transmit when pt can pass its uniform draw, and stay silent when it can fail it;
// under the received-power model a node hears only what reaches the threshold, and the largest
// power a link can carry is bounded.
#include "config/feasibility.h"

#include <cmath>
#include <cstdio>

#include "channel/rssi.h"
#include "core/state.h"
#include "support/fail.h"
#include "support/geometric.h"
#include "support/word_compare.h"

namespace {

// Adaptive mode replaces pt by tuned rows whose values all lie strictly between 0 and 1.
bool CanTransmit(int32_t k) { return adaptive || DrawThreshold(pt[k]) > 0; }
bool CanStaySilent(int32_t k) { return adaptive || DrawThreshold(pt[k]) < (uint64_t(1) << 32); }

// A round where one contender can transmit while another stays silent.
bool SomeRoundSplits() {
  for (int32_t k = 0; k < ns; k++)
    if (CanTransmit(k) && CanStaySilent(k)) return true;
  return false;
}

bool SomeRoundTransmits() {
  for (int32_t k = 0; k < ns; k++)
    if (CanTransmit(k)) return true;
  return false;
}

// Two transmitters can send different words in round k: the largest codeword index a draw can
// reach (all of them for a uniform draw) leaves two different words to choose from.
bool TwoWordsIn(int32_t k) {
  int32_t reach = codewords.count - 1;
  if (tau[k] != 0) reach = TruncatedGeometric(4294967295.0 / 4294967296.0, 1 - tau[k], codewords.count);
  for (int32_t i = 1; i <= reach; i++)
    if (codewords.codes[i] != codewords.codes[0]) return true;
  return false;
}

bool SomeRoundSendsTwoWords() {
  for (int32_t k = 0; k < ns; k++)
    if (CanTransmit(k) && TwoWordsIn(k)) return true;
  return false;
}

// Up to senders node-pair links adding up on one subcarrier can reach the threshold (a little
// margin for the rounding of the sums).
bool PairLinksHeard(int32_t senders) {
  return senders > 0 && double(senders) * LargestGain() * (1 + 1e-9) >= rssi_thresh_pw;
}

char why[320];

const char *BasicWhy() {
  if (refs == 0 && nn == 1) return "a lone node without a dedicated referee is never heard";
  if (refs == 0 && !SomeRoundSplits())
    return "with refs=0 only a node that stays silent hears a round, and no round's pt lets one "
           "stay silent while another transmits";
  if (nn >= 2 && !SomeRoundSplits() && !SomeRoundSendsTwoWords())
    return "every contender transmits in every round and all send the same codeword, so none "
           "can drop out";
  return nullptr;
}

const char *HearingWhy(const char *who) {
  snprintf(why, sizeof why,
           "%s: %ld senders at the largest gain a link can have reach %.4g dBm, below "
           "rssi_thresh=%g dBm (rssi_avg=%g, rssi_min=%g)",
           who, long(nn - 1), pw2dbm(double(nn - 1) * LargestGain()), rssi_thresh, rssi_avg,
           rssi_min);
  return why;
}

const char *AdhocWhy() {
  if (nn < 2) return "the ad hoc session needs two nodes, one to referee";
  if (!SomeRoundSplits())
    return "no round's pt lets a node stay silent while another transmits, so nobody referees";
  if (!PairLinksHeard(nn - 1)) return HearingWhy("no silent node can sense a transmitter");
  return nullptr;
}

// The access point's links carry 1.0 (-30 dBm): its replies reach a node alone, its own hearing
// adds up over the transmitters. A node drops out when it hears a reply, or when it stays silent
// and senses the transmitters over the node-pair links.
const char *CentralizedWhy() {
  if (nn < 2) return nullptr;
  const bool replies_heard = 1.0 >= rssi_thresh_pw;
  const bool splits = SomeRoundSplits();
  if (replies_heard && (splits || SomeRoundSendsTwoWords())) return nullptr;
  if (splits && PairLinksHeard(nn - 1)) return nullptr;
  if (replies_heard)
    return "every contender transmits in every round and all send the same codeword, so none "
           "can drop out";
  if (!splits)
    return "the access point's replies (-30 dBm) are below rssi_thresh, so only a silent node "
           "can drop out, and no round's pt lets one stay silent while another transmits";
  return HearingWhy("the access point's replies (-30 dBm) are not heard and no silent node can "
                    "sense a transmitter");
}

}  // namespace

const char *WhyNoSuccess() {
  if (ns == 0) return "sessions have no rounds";
  if (!SomeRoundTransmits()) return "every pt is at or below 0";
  if (adhoc) return AdhocWhy();
  if (centr) return CentralizedWhy();
  return BasicWhy();
}

void CheckQuotaReachable() {
  if (max_time != 0 || min_frames <= 0) return;
  if (const char *reason = WhyNoSuccess())
    Fail(1, "Error: min_frames=%ld can never be reached: %s.\n", long(min_frames), reason);
}

// A duration moves a clock near the limit only when it is not lost in the rounding of the sum.
void CheckTimeLimitReachable() {
  if (max_time <= 0) return;
  const double limit = max_time / 1000.0;
  const bool success_moves = limit + t_succ > limit && !WhyNoSuccess();
  if (success_moves || limit + t_coll > limit) return;
  Fail(1,
       "Error: max_time=%ld can never be reached: sessions of %g s (success) and %g s "
       "(collision) do not advance a clock of %g s.\n",
       long(max_time), t_succ, t_coll, limit);
}
