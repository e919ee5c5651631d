// The floor of every later benchmark: draws per second of the own generator (raw words and
// [0, 1) doubles) and Rayleigh variates per second from the GSL generator.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "bench_runs.h"
#include "support/gsl_rand.h"
#include "support/mt_rand.h"

namespace {

// Draws per benchmark iteration, so the loop overhead does not hide the cost of one draw.
const int kBatch = 1024;

void BM_GenRandInt32(benchmark::State &state) {
  MtRand g;
  init_genrand(g, 5489u);
  TimeDrawsInBatches(state, kBatch, [&g] { return genrand_int32(g); });
}
BENCHMARK(BM_GenRandInt32);

void BM_GenRandReal2(benchmark::State &state) {
  MtRand g;
  init_genrand(g, 5489u);
  TimeDrawsInBatches(state, kBatch, [&g] { return genrand_real2(g); });
}
BENCHMARK(BM_GenRandReal2);

void BM_GenRandRayleighGSL(benchmark::State &state) {
  gsl_rng *gsl = SetupRandGSL();
  SeedRandGSL(gsl, 5489u);
  TimeDrawsInBatches(state, kBatch, [gsl] { return GenRandRayleighGSL(gsl, 1.0); });
  ReleaseRandGSL(gsl);
}
BENCHMARK(BM_GenRandRayleighGSL);

}  // namespace

BENCHMARK_MAIN();
