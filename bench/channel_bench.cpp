// Speed of the received-power model's gain draws: the node-pair gains that every centralized and
// ad hoc session redraws (RSSIDrawPairGains), next to the raw Rayleigh variates they are made of.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>

#include "channel/rssi.h"
#include "config/setup.h"
#include "core/state.h"
#include "support/gsl_rand.h"

namespace {

// A state with the pair-gain table for the given nodes and subcarriers, the built-in powers and a
// seeded GSL generator.
void SetUpChannel(int32_t node_count, int32_t carriers) {
  ResetState();
  nn = max_nn = node_count;
  centr = 1;  // the node-pair tables are those of the received-power sessions
  nf = carriers;
  ConvertRSSIThresholds();
  AllocateRSSIBuffers();
  SetupRandGSL();
  SeedRandGSL(12345);
}

// Items are gains: nn (nn - 1) / 2 pairs times nf subcarriers per session.
void BM_RSSIDrawPairGains(benchmark::State &state) {
  SetUpChannel(int32_t(state.range(0)), 6);
  for (auto _ : state) {
    RSSIDrawPairGains();
    benchmark::DoNotOptimize(rssi[0][1][0]);
    benchmark::ClobberMemory();
  }
  int64_t gains = int64_t(nn) * (nn - 1) / 2 * nf;
  state.SetItemsProcessed(state.iterations() * gains);
  state.counters["gains_per_session"] = double(gains);
}
BENCHMARK(BM_RSSIDrawPairGains)->ArgName("nn")->Arg(50)->Arg(200);

void BM_RayleighVariates(benchmark::State &state) {
  SetUpChannel(2, 6);
  const double sigma = std::sqrt(0.5 * rssi_avg_pw);
  for (auto _ : state) benchmark::DoNotOptimize(GenRandRayleighGSL(sigma));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RayleighVariates);

}  // namespace

BENCHMARK_MAIN();
