// Speed of the received-power model's gain draws: the node-pair gains that every centralized and
// ad hoc session redraws (RSSIDrawPairGains), next to the raw Rayleigh variates they are made of.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>

#include "channel/rssi.h"
#include "config/setup.h"
#include "core/state.h"
#include "support/gsl_rand.h"

namespace {

// A simulation with the pair-gain table for the given nodes and subcarriers, the built-in powers
// and a seeded GSL generator.
std::unique_ptr<SIM> SetUpChannel(int32_t node_count, int32_t carriers) {
  auto S = std::make_unique<SIM>();
  S->nn = S->max_nn = node_count;
  S->centr = 1;  // the node-pair tables are those of the received-power sessions
  S->nf = carriers;
  ConvertRSSIThresholds(*S);
  AllocateRSSIBuffers(*S);
  S->gsl_base_rand = SetupRandGSL();
  SeedRandGSL(S->gsl_base_rand, 12345);
  return S;
}

// Items are gains: nn (nn - 1) / 2 pairs times nf subcarriers per session.
void BM_RSSIDrawPairGains(benchmark::State &state) {
  auto S = SetUpChannel(int32_t(state.range(0)), 6);
  for (auto _ : state) {
    RSSIDrawPairGains(*S);
    benchmark::DoNotOptimize(S->rssi[0][1][0]);
    benchmark::ClobberMemory();
  }
  int64_t gains = int64_t(S->nn) * (S->nn - 1) / 2 * S->nf;
  state.SetItemsProcessed(state.iterations() * gains);
  state.counters["gains_per_session"] = double(gains);
}
BENCHMARK(BM_RSSIDrawPairGains)->ArgName("nn")->Arg(50)->Arg(200);

void BM_RayleighVariates(benchmark::State &state) {
  auto S = SetUpChannel(2, 6);
  const double sigma = std::sqrt(0.5 * S->rssi_avg_pw);
  for (auto _ : state) benchmark::DoNotOptimize(GenRandRayleighGSL(S->gsl_base_rand, sigma));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RayleighVariates);

}  // namespace

BENCHMARK_MAIN();
