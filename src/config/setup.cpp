// The set-up steps, in the order in which their failures and random draws become visible.
#include "config/setup.h"

#include <climits>
#include <cmath>
#include <cstdio>

#include "adapt/estimator.h"
#include "channel/rssi.h"
#include "coding/codebook.h"
#include "coding/codeword_draw.h"
#include "coding/debug_dump.h"
#include "coding/hamming74.h"
#include "coding/referee_tables.h"
#include "config/feasibility.h"
#include "config/memory_need.h"
#include "config/options.h"
#include "config/schedule.h"
#include "config/slots.h"
#include "config/timing.h"
#include "core/state.h"
#include "support/alloc.h"
#include "support/fail.h"

namespace {

// A list of ns values: the given values, then fill(i) for the rounds the option did not cover.
template <class Fill>
double *CompleteList(SIM &S, double *list, int32_t given, Fill fill) {
  const int32_t ns = S.ns;
  if (list && given >= ns) return list;
  int32_t first = list ? given : 0;
  list = static_cast<double *>(list ? MyRealloc(S.memory, list, size_t(ns) * sizeof(double))
                                    : MyMalloc(S.memory, size_t(ns) * sizeof(double)));
  for (int32_t i = first; i < ns; i++) list[i] = fill(i);
  return list;
}

template <class T>
T *CallocChecked(SIM &S, size_t a, size_t b, size_t c = 1) {
  size_t count;
  if (__builtin_mul_overflow(a, b, &count) || __builtin_mul_overflow(count, c, &count))
    count = SIZE_MAX / sizeof(T);
  return static_cast<T *>(MyCalloc(S.memory, count, sizeof(T)));
}

// The rounds histogram has room for every round index a session can end at (ns for the sessions
// without success), and at least its built-in size.
void AllocateHistograms(SIM &S) {
  const int32_t ns = S.ns;
  if (int64_t(ns) + 1 > S.ns_pdf_size) S.ns_pdf_size = ns < INT32_MAX ? ns + 1 : INT32_MAX;
  S.ns_pdf = CallocChecked<int64_t>(S, size_t(S.ns_pdf_size), 1);
  S.tx_wait_hist = CallocChecked<int64_t>(S, size_t(S.tx_wait_hist_size), 1);
}

// A session must take time: a duration that is not positive would stall or reverse the clock.
void CheckTiming(const SIM &S) {
  const double t_succ = S.t_succ, t_coll = S.t_coll;
  if (t_succ > 0 && std::isfinite(t_succ) && t_coll > 0 && std::isfinite(t_coll)) return;
  Fail(1,
       "Error: B=%ld DATA=%ld APP=%ld ts=%g sifs=%g difs=%g no_rts=%ld give sessions of %g s "
       "(success) and %g s (collision); both must be positive and finite.\n",
       long(S.B), long(S.DATA), long(S.APP), S.ts, S.sifs, S.difs, long(S.no_rts), t_succ, t_coll);
}

// The Hamming(7,4) reply is 7 bits long whatever nf is; bits from nf on never fade.
void NoteShortHammingReplies(const SIM &S) {
  if (S.debug >= 2 && S.nf < 7 && HammingFeedback(S))
    fprintf(stderr,
            "# Note: the Hamming(7,4) replies use subcarriers 0 to 6; with nf=%ld those from %ld on "
            "never fade.\n",
            long(S.nf), long(S.nf));
}

void CheckWordLength(int64_t length) {
  if (length > kMaxWordBits) Fail(7, "Error: canot use more than nf=26 subcarriers.");
}

void CheckHammingClasses(const SIM &S) {
  if (HammingFeedback(S) && S.classes.count > 16)
    Fail(5, "Cannot use Hamming(7,4) feedback type; number of classes (%ld) is greater than 16.",
         long(S.classes.count));
}

}  // namespace

void CompleteRoundLists(SIM &S) {
  if (!S.pt && S.type != 1) {
    S.pt = PopulatePtArray(S);
    S.given[OPTION_pt] = S.ns;
  }
  auto fill = [](OptionId id) { return Options()[id].builtin.number; };
  const double pt_fill = fill(OPTION_pt), pn_fill = fill(OPTION_pn), tau_fill = fill(OPTION_tau);
  S.pt = CompleteList(S, S.pt, S.given[OPTION_pt], [&](int32_t) { return pt_fill; });
  S.pn = CompleteList(S, S.pn, S.given[OPTION_pn], [&](int32_t) { return pn_fill; });
  S.pw = CompleteList(S, S.pw, S.given[OPTION_pw], [&](int32_t i) { return S.pn[i]; });
  S.tau = CompleteList(S, S.tau, S.given[OPTION_tau], [&](int32_t) { return tau_fill; });
}

int32_t LargestNodeCount(const SIM &S) {
  int32_t largest = S.nn;
  for (int32_t k = 0; k < S.ad_runs.count; k++)
    if (S.ad_runs.new_nn[k] > largest) largest = S.ad_runs.new_nn[k];
  return largest;
}

void SetUpDefaultCodebook(SIM &S) {
  if (S.debug >= 2)
    fprintf(stderr, "# Using default oblivious codebook of nf=%lu bits repeated %ld times.\n",
            (unsigned long)S.nf, long(S.repeat));
  // A length beyond the limit is rejected before any word is built.
  CheckWordLength(int64_t(S.nf) * S.repeat);
  BuildDefaultCodebook(S, S.nf, S.repeat);
  S.nf = S.codewords.nbits;
}

// The node-pair tables (max_nn^2 entries) only for the sessions that read them.
void AllocateRSSIBuffers(SIM &S) {
  size_t n = size_t(S.max_nn), length = size_t(S.nf);
  S.ORed_word_rssi = CallocChecked<double>(S, length, 1);
  if (!S.adhoc && !S.centr) return;
  S.rssi = CallocChecked<double **>(S, n, 1);
  double **pairs = CallocChecked<double *>(S, n, n);
  double *gains = CallocChecked<double>(S, n, n, length);
  for (size_t a = 0; a < n; a++) {
    S.rssi[a] = pairs + a * n;
    for (size_t b = 0; b < n; b++) S.rssi[a][b] = gains + (a * n + b) * length;
  }
  S.rssi_gains = gains;
  S.rssi_pairs = CallocChecked<PAIR_DRAWN>(S, n, n);
  S.reply_receivers = CallocChecked<NODE *>(S, n, 2);
  S.novel_senders = CallocChecked<NOVEL_SENDER>(S, n, 1);
  S.rssi_AP = CallocChecked<double *>(S, n, 1);
  double *ap_gains = CallocChecked<double>(S, n, length);
  for (size_t a = 0; a < n; a++) {
    S.rssi_AP[a] = ap_gains + a * length;
    for (size_t m = 0; m < length; m++) S.rssi_AP[a][m] = 1.0;
  }
}

// The k-fold sums of the one duration of every session, when success and failure take as long.
void BuildSinceSums(SIM &S) {
  if (S.t_succ != S.t_coll) return;
  const int32_t size = 1 << 16;
  S.since_sums = CallocChecked<double>(S, size_t(size), 1);
  S.since_sums_size = size;
  for (int32_t k = 1; k < size; k++) S.since_sums[k] = S.since_sums[k - 1] + S.t_succ;
  S.success_stamp = CallocChecked<int64_t>(S, size_t(S.max_nn) + 1, 1);
}

void AllocateNodes(SIM &S) {
  S.nodes = CallocChecked<NODE>(S, size_t(S.max_nn) + 1, 1);
  S.t_since_succ = CallocChecked<double>(S, size_t(S.max_nn) + 1, 1);
  BuildSinceSums(S);
  for (int32_t i = 0; i < S.max_nn; i++) {
    S.nodes[i].id = i;
    S.nodes[i].mask = ~0u;
    S.nodes[i].pt_start = S.pt_start;
    S.nodes[i].pt_end = S.pt_end;
    S.nodes[i].rssi_acc = CallocChecked<double>(S, size_t(S.nf), 1);
  }
  S.ref.rssi_acc = CallocChecked<double>(S, size_t(S.nf), 1);
  S.ref.mask = ~0u;
}

// Every list gets room for max_nn members, except the survivors' list, which is only ever a view
// onto the array of NL_ALL or of NL_WON.
void AllocateNodeLists(SIM &S) {
  const int32_t max_nn = S.max_nn;
  for (int list = 0; list < NL_COUNT; list++) {
    if (list == NL_ALIVE) continue;
    S.nodelists[list].members =
        static_cast<NODE **>(MyMalloc(S.memory, size_t(max_nn) * sizeof(NODE *)));
    S.nodelists[list].count = 0;
  }
  S.senders.places = CallocChecked<int32_t>(S, size_t(max_nn), 1);
  S.senders.classes = CallocChecked<int32_t>(S, size_t(max_nn), 1);
  S.contender_masks = CallocChecked<uint32_t>(S, size_t(max_nn), 2);
  for (int32_t i = 0; i < max_nn; i++) S.nodelists[NL_ALL].members[i] = &S.nodes[i];
  S.nodelists[NL_ALL].count = max_nn;
  S.nodelists[NL_ALIVE] = NODELIST{S.nodelists[NL_ALL].members, 0};
}

void InitSimVars(SIM &S) {
  S.keyed.seed = S.seed;
  CheckMemoryNeed(S);
  CompleteRoundLists(S);
  ComputeTiming(S);
  CheckTiming(S);
  S.max_nn = LargestNodeCount(S);
  AllocateHistograms(S);
  if (S.codewords.count == 0 || S.classes.count == 0) SetUpDefaultCodebook(S);
  CheckWordLength(S.nf);
  BuildRefereeTables(S);
  FSFDebugCodebook(S, 3);
  AllocateRSSIBuffers(S);
  AllocateNodes(S);
  if (S.adaptive) AdaptInit(S);
  const CODEWORD_DRAW draw = ChooseCodewordDraw(S.tau, S.ns);
  S.GenRandGeomUni = draw.draw;
  S.keyed.codeword_buckets = BucketsOver(uint32_t(S.codewords.count));
  AllocateNodeLists(S);
  BuildHamming74Tables(S);
  CheckHammingClasses(S);
  NoteShortHammingReplies(S);
  ConvertRSSIThresholds(S);
  CheckQuotaReachable(S);
  CheckTimeLimitReachable(S);
  ChooseSessionPaths(S, draw.uniform);
}
