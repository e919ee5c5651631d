// Two ad hoc nodes over one faded link, against the exact law. A round decides only when exactly
// one node transmits and the other senses its subcarrier; the listener then referees, replies on
// that same subcarrier through the same (symmetric) gain and the transmitter wins. A missed
// subcarrier stays missed for the whole session, so the law is a mixture over the faded set.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "common/test_util.h"
#include "core/state.h"
#include "sessions/adhoc.h"
#include "sessions/survivor_chain.h"

namespace {

const std::vector<double> kPt{0.5, 0.3, 0.8, 0.5};
const int32_t kSubcarriers = 3;
// A threshold near the median single-link gain: a subcarrier is missed about half of the time.
const double kThreshDbm = -63.6, kAvgDbm = -62.0, kMinDbm = -99.0;
const int32_t kRuns = 100000;

double Power(double dbm) { return std::pow(10.0, dbm / 10.0 + 3.0); }

// Probability that one subcarrier of the link is below the threshold: the faded part of a gain is
// exponential with the mean power, on top of the floor.
double MissProbability() {
  return 1.0 - std::exp(-(Power(kThreshDbm) - Power(kMinDbm)) / Power(kAvgDbm));
}

// Success probability by round (entry ns: no success) when a fraction heard of the subcarriers
// reaches the listener for the whole session.
std::vector<double> LawGivenHeardShare(double heard) {
  std::vector<double> law(kPt.size() + 1, 0.0);
  double undecided = 1.0;
  for (size_t k = 0; k < kPt.size(); k++) {
    double decide = 2 * kPt[k] * (1 - kPt[k]) * heard;
    law[k] = undecided * decide;
    undecided *= 1 - decide;
  }
  law[kPt.size()] = undecided;
  return law;
}

// Per-subcarrier gains: the number F of missed subcarriers is binomial.
std::vector<double> ExactLawPerSubcarrier() {
  double p = MissProbability();
  std::vector<double> law(kPt.size() + 1, 0.0);
  for (int32_t f = 0; f <= kSubcarriers; f++) {
    double weight = std::tgamma(kSubcarriers + 1.0) /
                    (std::tgamma(f + 1.0) * std::tgamma(kSubcarriers - f + 1.0)) * std::pow(p, f) *
                    std::pow(1 - p, kSubcarriers - f);
    std::vector<double> given = LawGivenHeardShare(double(kSubcarriers - f) / kSubcarriers);
    for (size_t k = 0; k < law.size(); k++) law[k] += weight * given[k];
  }
  return law;
}

// Flat gains: the pair hears all subcarriers or none for the whole session.
std::vector<double> ExactLawFlat() {
  double p = MissProbability();
  std::vector<double> law = LawGivenHeardShare(1.0);
  for (double &entry : law) entry *= 1 - p;
  law.back() += p;
  return law;
}

std::string ListOf(const std::vector<double> &values) {
  std::ostringstream text;
  for (size_t i = 0; i < values.size(); i++) text << (i ? "," : "") << values[i];
  return text.str();
}

void ExpectMatches(const std::vector<double> &exact, int32_t flat, int32_t eager, uint32_t seed) {
  SCOPED_TRACE(std::string(flat ? "flat" : "per subcarrier") + (eager ? ", eager" : ", lazy"));
  PrepareSimulation({"adhoc=1", "nn=2", "nf=" + std::to_string(kSubcarriers), "pt=" + ListOf(kPt),
                     "rssi_thresh=-63.6", "rssi_type=" + std::to_string(flat), "debug=0"},
                    seed);
  rssi_eager_gains = eager;
  for (int32_t i = 0; i < kRuns; i++) SimSessionAdhocRSSI(refs);
  for (size_t k = 0; k < exact.size(); k++)
    EXPECT_NEAR(double(ns_pdf[k]) / kRuns, exact[k], FiveSigma(exact[k], kRuns)) << "round " << k;
  EXPECT_EQ(failures, 0);
}

TEST(RSSIPairFading, MissedSubcarriersStayMissedForTheWholeSession) {
  std::vector<double> exact = ExactLawPerSubcarrier();
  ExpectMatches(exact, 0, 0, 41);
  ExpectMatches(exact, 0, 1, 42);
}

TEST(RSSIPairFading, FlatGainsLeaveAPairDeafForTheWholeSession) {
  std::vector<double> exact = ExactLawFlat();
  ExpectMatches(exact, 1, 0, 43);
  ExpectMatches(exact, 1, 1, 44);
}

}  // namespace
