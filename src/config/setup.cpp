// The set-up steps, in the order in which their failures and random draws become visible.
#include "config/setup.h"

#include <strings.h>

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

const int32_t kMaxWordBits = 26;

// A list of ns values: the given values, then fill(i) for the rounds the option did not cover.
template <class Fill>
double *CompleteList(double *list, int32_t given, Fill fill) {
  if (list && given >= ns) return list;
  int32_t first = list ? given : 0;
  list = static_cast<double *>(list ? MyRealloc(list, size_t(ns) * sizeof(double))
                                    : MyMalloc(size_t(ns) * sizeof(double)));
  for (int32_t i = first; i < ns; i++) list[i] = fill(i);
  return list;
}

template <class T>
T *CallocChecked(size_t a, size_t b, size_t c = 1) {
  size_t count;
  if (__builtin_mul_overflow(a, b, &count) || __builtin_mul_overflow(count, c, &count))
    count = SIZE_MAX / sizeof(T);
  return static_cast<T *>(MyCalloc(count, sizeof(T)));
}

// The rounds histogram has room for every round index a session can end at (ns for the sessions
// without success), and at least its built-in size.
void AllocateHistograms() {
  if (int64_t(ns) + 1 > ns_pdf_size) ns_pdf_size = ns < INT32_MAX ? ns + 1 : INT32_MAX;
  ns_pdf = CallocChecked<int64_t>(size_t(ns_pdf_size), 1);
  tx_wait_hist = CallocChecked<int64_t>(size_t(tx_wait_hist_size), 1);
}

// A session must take time: a duration that is not positive would stall or reverse the clock.
void CheckTiming() {
  if (t_succ > 0 && std::isfinite(t_succ) && t_coll > 0 && std::isfinite(t_coll)) return;
  Fail(1,
       "Error: B=%ld DATA=%ld APP=%ld ts=%g sifs=%g difs=%g no_rts=%ld give sessions of %g s "
       "(success) and %g s (collision); both must be positive and finite.\n",
       long(B), long(DATA), long(APP), ts, sifs, difs, long(no_rts), t_succ, t_coll);
}

// The Hamming(7,4) reply is 7 bits long whatever nf is; bits from nf on never fade.
void NoteShortHammingReplies() {
  if (debug >= 2 && nf < 7 && strcasecmp(fsf_fbk, "hamm74") == 0)
    fprintf(stderr,
            "# Note: the Hamming(7,4) replies use subcarriers 0 to 6; with nf=%ld those from %ld on "
            "never fade.\n",
            long(nf), long(nf));
}

void CheckWordLength(int64_t length) {
  if (length > kMaxWordBits) Fail(7, "Error: canot use more than nf=26 subcarriers.");
}

void CheckHammingClasses() {
  if (strcasecmp(fsf_fbk, "hamm74") == 0 && classes.count > 16)
    Fail(5, "Cannot use Hamming(7,4) feedback type; number of classes (%ld) is greater than 16.",
         long(classes.count));
}

}  // namespace

void CompleteRoundLists() {
  if (!pt && type != 1) {
    pt = PopulatePtArray();
    pt_given = ns;
  }
  double pt_fill = ListFill("pt="), pn_fill = ListFill("pn="), tau_fill = ListFill("tau=");
  pt = CompleteList(pt, pt_given, [&](int32_t) { return pt_fill; });
  pn = CompleteList(pn, pn_given, [&](int32_t) { return pn_fill; });
  pw = CompleteList(pw, pw_given, [&](int32_t i) { return pn[i]; });
  tau = CompleteList(tau, tau_given, [&](int32_t) { return tau_fill; });
}

int32_t LargestNodeCount() {
  int32_t largest = nn;
  for (int32_t k = 0; k < ad_runs.count; k++)
    if (ad_runs.new_nn[k] > largest) largest = ad_runs.new_nn[k];
  return largest;
}

void SetUpDefaultCodebook() {
  if (debug >= 2)
    fprintf(stderr, "# Using default oblivious codebook of nf=%lu bits repeated %ld times.\n",
            (unsigned long)nf, long(repeat));
  // A length beyond the limit is rejected before any word is built.
  CheckWordLength(int64_t(nf) * repeat);
  BuildDefaultCodebook(nf, repeat);
  nf = codewords.nbits;
}

// The node-pair tables (max_nn^2 entries) only for the sessions that read them.
void AllocateRSSIBuffers() {
  size_t n = size_t(max_nn), length = size_t(nf);
  ORed_word_rssi = CallocChecked<double>(length, 1);
  if (!adhoc && !centr) return;
  rssi = CallocChecked<double **>(n, 1);
  double **pairs = CallocChecked<double *>(n, n);
  double *gains = CallocChecked<double>(n, n, length);
  for (size_t a = 0; a < n; a++) {
    rssi[a] = pairs + a * n;
    for (size_t b = 0; b < n; b++) rssi[a][b] = gains + (a * n + b) * length;
  }
  rssi_pair_stamp = CallocChecked<uint32_t>(n, n);
  rssi_pair_drawn = CallocChecked<uint32_t>(n, n);
  rssi_AP = CallocChecked<double *>(n, 1);
  double *ap_gains = CallocChecked<double>(n, length);
  for (size_t a = 0; a < n; a++) {
    rssi_AP[a] = ap_gains + a * length;
    for (size_t m = 0; m < length; m++) rssi_AP[a][m] = 1.0;
  }
}

void AllocateNodes() {
  nodes = CallocChecked<NODE>(size_t(max_nn) + 1, 1);
  for (int32_t i = 0; i < max_nn; i++) {
    nodes[i].id = i;
    nodes[i].mask = ~0u;
    nodes[i].pt_start = pt_start;
    nodes[i].pt_end = pt_end;
    nodes[i].rssi_acc = CallocChecked<double>(size_t(nf), 1);
  }
  ref.rssi_acc = CallocChecked<double>(size_t(nf), 1);
  ref.mask = ~0u;
}

// Every list gets room for max_nn members, except the survivors' list, which is only ever a view
// onto the array of NL_ALL or of NL_WON.
void AllocateNodeLists() {
  for (int list = 0; list < NL_COUNT; list++) {
    if (list == NL_ALIVE) continue;
    nodelists[list].members = static_cast<NODE **>(MyMalloc(size_t(max_nn) * sizeof(NODE *)));
    nodelists[list].count = 0;
  }
  for (int32_t i = 0; i < max_nn; i++) nodelists[NL_ALL].members[i] = &nodes[i];
  nodelists[NL_ALL].count = max_nn;
  nodelists[NL_ALIVE] = NODELIST{nodelists[NL_ALL].members, 0};
}

void InitSimVars() {
  CheckMemoryNeed();
  CompleteRoundLists();
  ComputeTiming();
  CheckTiming();
  max_nn = LargestNodeCount();
  AllocateHistograms();
  if (codewords.count == 0 || classes.count == 0) SetUpDefaultCodebook();
  CheckWordLength(nf);
  BuildRefereeTables();
  FSFDebugCodebook(3);
  AllocateRSSIBuffers();
  AllocateNodes();
  if (adaptive) AdaptInit();
  const CODEWORD_DRAW draw = ChooseCodewordDraw(tau, ns);
  GenRandGeomUni = draw.draw;
  AllocateNodeLists();
  BuildHamming74Tables();
  CheckHammingClasses();
  NoteShortHammingReplies();
  ConvertRSSIThresholds();
  CheckQuotaReachable();
  CheckTimeLimitReachable();
  ChooseSessionPaths(draw.uniform);
}
