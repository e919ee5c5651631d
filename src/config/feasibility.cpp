// What a session needs to end in a success. A round decides only when someone transmits and
// someone listens; a success needs all contenders but one to drop out in decided rounds. A
// contender can transmit when pt can pass its uniform draw, and stay silent when it can fail it;
// under the received-power model a node hears only what reaches the threshold, and the largest
// power a link can carry is bounded.
#include "config/feasibility.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "channel/rssi.h"
#include "core/state.h"
#include "support/fail.h"
#include "support/geometric.h"
#include "support/word_compare.h"

namespace {

// Adaptive mode replaces pt by tuned rows whose values all lie strictly between 0 and 1.
bool CanTransmit(const SIM &S, int32_t k) { return S.adaptive || DrawThreshold(S.pt[k]) > 0; }
bool CanStaySilent(const SIM &S, int32_t k) {
  return S.adaptive || DrawThreshold(S.pt[k]) < (uint64_t(1) << 32);
}

// A round where one contender can transmit while another stays silent.
bool SomeRoundSplits(const SIM &S) {
  for (int32_t k = 0; k < S.ns; k++)
    if (CanTransmit(S, k) && CanStaySilent(S, k)) return true;
  return false;
}

bool SomeRoundTransmits(const SIM &S) {
  for (int32_t k = 0; k < S.ns; k++)
    if (CanTransmit(S, k)) return true;
  return false;
}

// Two transmitters can send different words in round k: the largest codeword index a draw can
// reach (all of them for a uniform draw) leaves two different words to choose from.
bool TwoWordsIn(const SIM &S, int32_t k) {
  const BINCODES &codes = S.codewords;
  int32_t reach = codes.count - 1;
  if (S.tau[k] != 0)
    reach = TruncatedGeometric(4294967295.0 / 4294967296.0, 1 - S.tau[k], codes.count);
  for (int32_t i = 1; i <= reach; i++)
    if (codes.codes[i] != codes.codes[0]) return true;
  return false;
}

bool SomeRoundSendsTwoWords(const SIM &S) {
  for (int32_t k = 0; k < S.ns; k++)
    if (CanTransmit(S, k) && TwoWordsIn(S, k)) return true;
  return false;
}

// Up to senders node-pair links adding up on one subcarrier can reach the threshold (a little
// margin for the rounding of the sums).
bool PairLinksHeard(const SIM &S, int32_t senders) {
  return senders > 0 && double(senders) * LargestGain(S) * (1 + 1e-9) >= S.rssi_thresh_pw;
}

std::string BasicWhy(const SIM &S) {
  if (S.refs == 0 && S.nn == 1) return "a lone node without a dedicated referee is never heard";
  if (S.refs == 0 && !SomeRoundSplits(S))
    return "with refs=0 only a node that stays silent hears a round, and no round's pt lets one "
           "stay silent while another transmits";
  if (S.nn >= 2 && !SomeRoundSplits(S) && !SomeRoundSendsTwoWords(S))
    return "every contender transmits in every round and all send the same codeword, so none "
           "can drop out";
  return "";
}

std::string HearingWhy(const SIM &S, const char *who) {
  char why[320];
  const int32_t nn = S.nn;
  snprintf(why, sizeof why,
           "%s: %ld senders at the largest gain a link can have reach %.4g dBm, below "
           "rssi_thresh=%g dBm (rssi_avg=%g, rssi_min=%g)",
           who, long(nn - 1), pw2dbm(double(nn - 1) * LargestGain(S)), S.rssi_thresh, S.rssi_avg,
           S.rssi_min);
  return why;
}

std::string AdhocWhy(const SIM &S) {
  if (S.nn < 2) return "the ad hoc session needs two nodes, one to referee";
  if (!SomeRoundSplits(S))
    return "no round's pt lets a node stay silent while another transmits, so nobody referees";
  if (!PairLinksHeard(S, S.nn - 1)) return HearingWhy(S, "no silent node can sense a transmitter");
  return "";
}

// The access point's links carry 1.0 (-30 dBm): its replies reach a node alone, its own hearing
// adds up over the transmitters. A node drops out when it hears a reply, or when it stays silent
// and senses the transmitters over the node-pair links.
std::string CentralizedWhy(const SIM &S) {
  if (S.nn < 2) return "";
  const bool replies_heard = 1.0 >= S.rssi_thresh_pw;
  const bool splits = SomeRoundSplits(S);
  if (replies_heard && (splits || SomeRoundSendsTwoWords(S))) return "";
  if (splits && PairLinksHeard(S, S.nn - 1)) return "";
  if (replies_heard)
    return "every contender transmits in every round and all send the same codeword, so none "
           "can drop out";
  if (!splits)
    return "the access point's replies (-30 dBm) are below rssi_thresh, so only a silent node "
           "can drop out, and no round's pt lets one stay silent while another transmits";
  return HearingWhy(S, "the access point's replies (-30 dBm) are not heard and no silent node can "
                    "sense a transmitter");
}

}  // namespace

std::string WhyNoSuccess(const SIM &S) {
  if (S.ns == 0) return "sessions have no rounds";
  if (!SomeRoundTransmits(S)) return "every pt is at or below 0";
  if (S.adhoc) return AdhocWhy(S);
  if (S.centr) return CentralizedWhy(S);
  return BasicWhy(S);
}

void CheckQuotaReachable(const SIM &S) {
  if (S.max_time != 0 || S.min_frames <= 0) return;
  const std::string reason = WhyNoSuccess(S);
  if (!reason.empty())
    Fail(1, "Error: min_frames=%ld can never be reached: %s.\n", long(S.min_frames),
         reason.c_str());
}

// A duration moves a clock near the limit only when it is not lost in the rounding of the sum.
void CheckTimeLimitReachable(const SIM &S) {
  if (S.max_time <= 0) return;
  const double limit = S.max_time / 1000.0, t_succ = S.t_succ, t_coll = S.t_coll;
  const bool success_moves = limit + t_succ > limit && WhyNoSuccess(S).empty();
  if (success_moves || limit + t_coll > limit) return;
  Fail(1,
       "Error: max_time=%ld can never be reached: sessions of %g s (success) and %g s "
       "(collision) do not advance a clock of %g s.\n",
       long(S.max_time), t_succ, t_coll, limit);
}
