// The survivor chain: the number of contenders after each round is a Markov chain whose law is
// propagated round by round; the absorbing outcomes (success, protocol failure) are collected as
// they happen, whatever is left after the last round is a collision.
#include "sessions/survivor_chain.h"

#include <cmath>

namespace {

using Row = std::vector<double>;
using Table = std::vector<Row>;

double LogChoose(int32_t n, int32_t k) {
  return std::lgamma(n + 1.0) - std::lgamma(k + 1.0) - std::lgamma(n - k + 1.0);
}

// binomial[n][t]: probability that t of n contenders transmit with probability p.
Table TransmitterLaw(int32_t nn, double p) {
  Table law(size_t(nn) + 1);
  for (int32_t n = 0; n <= nn; n++) {
    law[n].assign(size_t(n) + 1, 0.0);
    for (int32_t t = 0; t <= n; t++) {
      if (p <= 0)
        law[n][t] = t == 0;
      else if (p >= 1)
        law[n][t] = t == n;
      else
        law[n][t] = std::exp(LogChoose(n, t) + t * std::log(p) + (n - t) * std::log1p(-p));
    }
  }
  return law;
}

// keep[t][w]: probability that w of t transmitters stay in contention. Without fading they are
// the ones whose uniform pick among nf equals the highest pick: the top value m is shared by w
// picks while the other t - w fall below it. Fading everything keeps those that picked word 0.
Table KeptLaw(int32_t nn, int32_t nf, bool fade_all) {
  Table law(size_t(nn) + 1);
  for (int32_t t = 0; t <= nn; t++) {
    law[t].assign(size_t(t) + 1, 0.0);
    for (int32_t w = 0; w <= t; w++) {
      double sum = 0;
      if (fade_all) {
        sum =
            std::exp(LogChoose(t, w) - w * std::log(double(nf)) + (t - w) * std::log1p(-1.0 / nf));
      } else if (w >= 1) {
        for (int32_t m = 0; m < nf; m++) {
          if (m == 0 && t > w) continue;
          double below = m == 0 ? 0.0 : (t - w) * std::log(double(m) / nf);
          sum += std::exp(LogChoose(t, w) - w * std::log(double(nf)) + below);
        }
      }
      law[t][w] = sum;
    }
  }
  return law;
}

// The law of the contenders before a round, split by whether anybody listens yet.
struct STATE {
  Row heard;    // somebody listens (a dedicated referee, or a round was decided)
  Row unheard;  // nobody listens yet: a round in which everybody transmits is not decided
};

// Plays round k on the state, adding the absorbed outcomes to result.
STATE PlayRound(const STATE &s, const Table &tx, const Table &keep, int32_t k,
                CHAIN_RESULT &result) {
  size_t size = s.heard.size();
  STATE next{Row(size, 0.0), Row(size, 0.0)};
  for (int32_t n = 1; n < int32_t(size); n++) {
    for (int unheard = 0; unheard < 2; unheard++) {
      double mass = unheard ? s.unheard[n] : s.heard[n];
      if (mass == 0) continue;
      Row &same = unheard ? next.unheard : next.heard;
      for (int32_t t = 0; t <= n; t++) {
        double p = mass * tx[n][t];
        if (t == 0 || (unheard && t == n)) {
          same[n] += p;  // nothing decided: the same contenders go on
          continue;
        }
        result.failure += p * keep[t][0];
        result.end_round[k] += p * keep[t][1];
        for (int32_t w = 2; w <= t; w++) next.heard[w] += p * keep[t][w];
      }
    }
  }
  return next;
}

}  // namespace

CHAIN_RESULT SurvivorChain(const CHAIN_CASE &c) {
  int32_t ns = int32_t(c.pt.size());
  CHAIN_RESULT result;
  result.end_round.assign(size_t(ns) + 1, 0.0);
  Table keep = KeptLaw(c.nn, c.nf, c.fade_all);
  STATE s{Row(size_t(c.nn) + 1, 0.0), Row(size_t(c.nn) + 1, 0.0)};
  (c.refs != 0 ? s.heard : s.unheard)[c.nn] = 1.0;
  for (int32_t k = 0; k < ns; k++) s = PlayRound(s, TransmitterLaw(c.nn, c.pt[k]), keep, k, result);
  for (int32_t n = 1; n <= c.nn; n++) {
    double left = s.heard[n] + s.unheard[n];
    result.collision += left;
    result.data_frames += n * left;
  }
  for (int32_t k = 0; k < ns; k++) result.success += result.end_round[k];
  result.data_frames += result.success;
  result.end_round[ns] = result.failure + result.collision;
  return result;
}

double FiveSigma(double p, double trials) {
  double q = p < 0 ? 0 : (p > 1 ? 1 : p);
  return 5 * std::sqrt(q * (1 - q) / trials) + 1e-9;
}
