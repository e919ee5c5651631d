// Sessions of all three kinds played many times against exact laws, with either random-number
// mode: the survivor chain, two ad hoc nodes over one faded link, and (pair gains drawn when first
// used) all gains drawn at the start.
#include <algorithm>
#include <map>
#include <sstream>

#include "app/run_loop.h"
#include "common/test_util.h"

namespace {

// Share of sessions ending in each round (entry ns: without success), protocol failures and data
// frames per node; ref_runs > 0 when the law is itself an estimate from that many sessions.
struct LAW {
  std::vector<double> end;
  double failure = 0, frames = 0, ref_runs = 0;
};

double Choose(int n, int k) {
  return std::exp(std::lgamma(n + 1.0) - std::lgamma(k + 1.0) - std::lgamma(n - k + 1.0));
}

// Probability that w of t transmitters stay: those on the highest of their uniform picks among
// nf words or, with every node faded out (the referee hears nothing, replies class 0), on word 0.
double Kept(int t, int w, int nf, bool fade_all) {
  if (fade_all) return Choose(t, w) * std::pow(1.0 / nf, w) * std::pow(1 - 1.0 / nf, t - w);
  double sum = 0;
  for (int m = 0; w > 0 && m < nf; m++)
    sum += Choose(t, w) * std::pow(1.0 / nf, w) * std::pow(double(m) / nf, t - w);
  return sum;
}

// The number of contenders n is a Markov chain (state 2 n + heard); a round with no transmitter,
// or in which all transmit while nobody listens (no dedicated referee, nobody left), is undecided.
LAW SurvivorChain(int nn, int nf, const std::vector<double> &pt, bool refs, bool fade_all) {
  LAW law{std::vector<double>(pt.size() + 1, 0.0)};
  std::vector<double> mass(2 * nn + 2, 0.0);
  mass[2 * nn + refs] = 1;
  for (size_t k = 0; k < pt.size(); k++) {
    std::vector<double> next(mass.size(), 0.0);
    for (int s = 2; s < int(mass.size()); s++)
      for (int n = s / 2, t = 0; t <= n; t++) {
        double p = mass[s] * Choose(n, t) * std::pow(pt[k], t) * std::pow(1 - pt[k], n - t);
        if (t == 0 || (s % 2 == 0 && t == n)) {
          next[s] += p;
          continue;
        }
        law.failure += p * Kept(t, 0, nf, fade_all);
        law.end[k] += p * Kept(t, 1, nf, fade_all);
        for (int w = 2; w <= t; w++) next[2 * w + 1] += p * Kept(t, w, nf, fade_all);
      }
    mass = next;
  }
  // Each success sends one data frame; at a collision every contender left sends one.
  law.end.back() = law.failure;
  for (size_t k = 0; k + 1 < law.end.size(); k++) law.frames += law.end[k] / nn;
  for (int s = 2; s < int(mass.size()); s++)
    law.end.back() += mass[s], law.frames += s / 2 * mass[s] / nn;
  return law;
}

// Two ad hoc nodes: a round decides only when one transmits and the other senses its subcarrier;
// the listener then replies through the same gain and the transmitter wins. A subcarrier is missed
// for the whole session, each on its own or (flat gains) all together: a single-link gain is
// exponential of mean -62 dBm above -99 dBm.
LAW PairLaw(int nf, const std::vector<double> &pt, bool flat, double thresh_dbm) {
  double miss =
      1 - std::exp((std::pow(10, -9.9) - std::pow(10, thresh_dbm / 10)) / std::pow(10, -6.2));
  LAW law{std::vector<double>(pt.size() + 1, 0.0)};
  for (int f = 0; f <= nf; f++) {
    double undecided = flat ? (f == 0) * (1 - miss) + (f == nf) * miss
                            : Choose(nf, f) * std::pow(miss, f) * std::pow(1 - miss, nf - f);
    for (size_t k = 0; k < pt.size(); k++) {
      law.end[k] += undecided * 2 * pt[k] * (1 - pt[k]) * (nf - f) / nf;
      undecided *= 1 - 2 * pt[k] * (1 - pt[k]) * (nf - f) / nf;
    }
    law.end.back() += undecided;
  }
  return law;
}

const int kRuns = 40000;

// Plays the sessions the options select; what they booked, as a law estimated from kRuns.
LAW Play(const Words &words, bool eager, uint32_t seed) {
  SIM &S = PrepareSimulation(words, seed);
  S.rssi_eager_gains = eager;
  SessionFn session = ChooseSession(S);
  int64_t successes = 0;
  for (int i = 0; i < kRuns; i++) {
    S.keyed.session = uint64_t(i);
    successes += session(S, S.refs);
  }
  EXPECT_EQ(successes, kRuns - S.ns_pdf[S.ns]);
  LAW law{{}, double(S.failures) / kRuns, 0, kRuns};
  for (int k = 0; k <= S.ns; k++) law.end.push_back(double(S.ns_pdf[k]) / kRuns);
  for (int i = 0; i < S.nn; i++) law.frames += double(S.nodes[i].transmissions) / S.nn / kRuns;
  return law;
}

void ExpectNear(double seen, double p, double ref_runs, const std::string &what) {
  double var = std::max(p * (1 - p), 0.0) * (1.0 / kRuns + (ref_runs ? 1 / ref_runs : 0));
  EXPECT_NEAR(seen, p, 5 * std::sqrt(var) + 1e-9) << what;
}

// The rows of tests/data/session_laws.txt: a law, then option words; each row with the own
// generator's sequential stream and with keyed draws.
class SessionStatistics : public testing::TestWithParam<std::tuple<std::string, std::string>> {};

TEST_P(SessionStatistics, MatchesTheExactLaw) {
  Words words = Split(std::get<0>(GetParam()));
  const std::string law = words[0];
  words[0] = "debug=0";
  words.push_back("rng=" + std::get<1>(GetParam()));
  std::map<std::string, std::string> opt{{"nn", "5"}, {"nf", "6"}, {"pt", "0.5,0.5,0.5"}};
  for (const std::string &w : words) opt[w.substr(0, w.find('='))] = w.substr(w.find('=') + 1);
  std::vector<double> pt;
  std::istringstream list(opt["pt"]);
  for (std::string value; std::getline(list, value, ',');) pt.push_back(std::stod(value));
  const int nodes = std::stoi(opt["nn"]), subcarriers = std::stoi(opt["nf"]);
  LAW exact{std::vector<double>(pt.size() + 1, 0.0)};
  if (law == "chain")  // the ad hoc session has no dedicated referee
    exact = SurvivorChain(nodes, subcarriers, pt, !opt.count("adhoc") && opt["refs"] != "0",
                          opt["fsf_prob"] == "1" || (opt["fsf_type"] == "num" &&
                                                     std::stoi(opt["fsf_num"]) >= subcarriers));
  else if (law == "never")
    exact.end.back() = 1;
  else if (law == "pair")
    exact = PairLaw(subcarriers, pt, opt["rssi_type"] == "1", std::stod(opt["rssi_thresh"]));
  else
    exact = Play(words, true, 2);
  if (opt.count("adhoc") || opt.count("centr")) exact.frames = 0;  // they count no data frame
  LAW seen = Play(words, false, 1);
  ASSERT_EQ(seen.end.size(), exact.end.size());
  for (size_t k = 0; k < exact.end.size(); k++)
    ExpectNear(seen.end[k], exact.end[k], exact.ref_runs, "round " + std::to_string(k));
  ExpectNear(seen.failure, exact.failure, exact.ref_runs, "failures");
  ExpectNear(seen.frames, exact.frames, exact.ref_runs, "frames per node");
}

INSTANTIATE_TEST_SUITE_P(Laws, SessionStatistics,
                         testing::Combine(testing::ValuesIn(DataRows("session_laws.txt")),
                                          testing::Values("mt", "keyed")));

}  // namespace
