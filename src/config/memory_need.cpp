// The parts of the set-up's memory, each with the options that size it.
#include "config/memory_need.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "config/setup.h"
#include "core/state.h"
#include "support/alloc.h"
#include "support/fail.h"

namespace {

struct MEMORY_PART {
  const char *what;
  char options[64];
  double bytes;
};

const int kParts = 5;

// The word length the tables will have: a codebook file's, or nf x repeat, at most 26 (a longer
// one is refused by the set-up with its own message).
double WordLength(const SIM &S) {
  const double length = S.codewords.count ? double(S.nf) : double(S.nf) * std::max(S.repeat, 1);
  return std::min(length, double(kMaxWordBits));
}

void Describe(MEMORY_PART &part, const char *what, double bytes, const char *format, long value) {
  part.what = what;
  part.bytes = bytes;
  snprintf(part.options, sizeof part.options, format, value);
}

void EstimateParts(const SIM &S, MEMORY_PART (&parts)[kParts]) {
  const double rounds = std::max(double(S.ns), 0.0), length = WordLength(S);
  const double n = std::max(double(LargestNodeCount(S)), 0.0);
  const char *nodes_word = S.ad_runs.count ? "nn=%ld and ad_runs" : "nn=%ld";
  Describe(parts[0], "per-round lists", 5 * 8 * rounds, "ns=%ld", long(S.ns));
  Describe(parts[1], "waiting-time histogram", 8 * std::max(double(S.tx_wait_hist_size), 0.0),
           "tx_wait_hist_size=%ld", long(S.tx_wait_hist_size));
  Describe(parts[2], "estimator window", S.adaptive ? 8 * std::max(double(S.ad_size), 0.0) : 0,
           "ad_size=%ld", long(S.ad_size));
  Describe(parts[3], "node records", (n + 1) * (sizeof(NODE) + 8 * length + 8 * NL_COUNT),
           nodes_word, long(n));
  // A gain per ordered pair and subcarrier, a pointer and two stamps per pair.
  Describe(parts[4], "node-pair gains", S.adhoc || S.centr ? n * n * (8 * length + 16) : 0,
           nodes_word, long(n));
}

// A keyed run on several threads holds a simulation for each and one that books their sessions.
int32_t Simulations(const SIM &S) { return S.threads > 1 ? S.threads + 1 : 1; }

}  // namespace

double MemoryNeed(const SIM &S) {
  MEMORY_PART parts[kParts];
  EstimateParts(S, parts);
  double total = 0;
  for (const MEMORY_PART &part : parts) total += part.bytes;
  return total * Simulations(S);
}

void CheckMemoryNeed(const SIM &S) {
  const double physical = PhysicalMemoryBytes(), total = MemoryNeed(S);
  if (physical == 0 || total <= physical) return;
  MEMORY_PART parts[kParts];
  EstimateParts(S, parts);
  std::string large;
  const double gib = 1024.0 * 1024.0 * 1024.0;
  for (const MEMORY_PART &part : parts) {
    if (part.bytes * Simulations(S) < total / 100) continue;
    char text[160];
    snprintf(text, sizeof text, "%s%s %.3g GiB (%s)", large.empty() ? "" : ", ", part.what,
             part.bytes / gib, part.options);
    large += text;
  }
  char copies[80] = "";
  if (Simulations(S) > 1)
    snprintf(copies, sizeof copies, ", in each of %ld simulations (threads=%ld)",
             long(Simulations(S)), long(S.threads));
  Fail(1,
       "Error: the set-up needs %.3g GiB of memory, more than the %.3g GiB of this machine: %s%s.\n",
       total / gib, physical / gib, large.c_str(), copies);
}
