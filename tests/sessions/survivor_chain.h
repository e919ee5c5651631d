// Exact law of how a contention session ends, computed by dynamic programming over the number of
// survivors, independently of the simulator: used as the reference for the statistical tests of
// the sessions (success probability, round in which a session ends, data frames sent).
#pragma once

#include <cstdint>
#include <vector>

// One contention setting. The codebook is the one-hot codebook of nf words (one per subcarrier),
// each transmitter picks its word uniformly, and the feedback tells every transmitter whether it
// sent the highest subcarrier heard (closest class, perfect feedback or Hamming(7,4) without
// fading all behave so).
struct CHAIN_CASE {
  int32_t nn = 5;                         // contenders at the start of the session
  int32_t nf = 6;                         // subcarriers, i.e. codewords
  std::vector<double> pt{0.5, 0.5, 0.5};  // transmission probability of round k; size is ns
  int32_t refs = 1;                       // dedicated listeners; only whether it is zero matters
  // Every node invisible (e.g. binomial fading with probability 1): the referee hears nothing,
  // replies class 0, and exactly the transmitters that picked word 0 stay in contention, so a
  // round may leave nobody (protocol failure).
  bool fade_all = false;
};

struct CHAIN_RESULT {
  // ns + 1 entries: entry k < ns is the probability that the session succeeds in round k; entry
  // ns is the probability that it ends without success (collision or protocol failure).
  std::vector<double> end_round;
  double success = 0;      // sum of the entries k < ns
  double failure = 0;      // protocol failure: a decided round left nobody
  double collision = 0;    // rounds used up with several contenders left (or none decided)
  double data_frames = 0;  // expected frames sent per session: 1 per success, one per contender
                           // left at a collision, none at a protocol failure
};

// The exact law of one session in the setting c.
CHAIN_RESULT SurvivorChain(const CHAIN_CASE &c);

// Five standard errors of a frequency estimated from trials independent trials of probability p
// (plus a hair for rounding), the tolerance of every statistical comparison.
double FiveSigma(double p, double trials);
