// Basic sessions per second for 5, 50 and 500 nodes (and 50 nodes under binomial fading), each
// against the time its own generator draws take alone: a counting pass finds the draws per
// session, a loop of as many draws is timed in the same run, and the ratio is printed at the end.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "bench_runs.h"
#include "bench_util.h"
#include "core/state.h"
#include "sessions/basic.h"
#include "support/mt_rand.h"

namespace {

struct BENCH_CASE {
  const char *name;
  std::vector<std::string> words;
};

const std::vector<BENCH_CASE> kCases = {
    {"nn=5", {"nn=5", "seed=1"}},
    {"nn=50", {"nn=50", "seed=1"}},
    {"nn=500", {"nn=500", "seed=1"}},
    {"nn=50 binom", {"nn=50", "fsf_type=binom", "seed=1"}},
};

// Mean generator draws per session over a counting pass.
double DrawsPerSession(const BENCH_CASE &c) {
  static std::map<std::string, double> known;
  auto found = known.find(c.name);
  if (found != known.end()) return found->second;
  StartUpWith(c.words);
  const int sessions = 20000;
  uint64_t before = GenRandWordsUsed();
  for (int i = 0; i < sessions; i++) SimSession(refs);
  return known[c.name] = double(GenRandWordsUsed() - before) / sessions;
}

void BM_Session(benchmark::State &state, const BENCH_CASE *c) {
  double draws = DrawsPerSession(*c);
  StartUpWith(c->words);
  for (auto _ : state) benchmark::DoNotOptimize(SimSession(refs));
  state.SetItemsProcessed(state.iterations());
  state.counters["draws"] = draws;
}

// As many draws per iteration as one session takes on average, each a double in [0, 1).
template <class Draw>
void TimeDrawsOfSession(benchmark::State &state, const BENCH_CASE *c, Draw draw) {
  double draws = DrawsPerSession(*c), owed = 0, sum = 0;
  for (auto _ : state) {
    owed += draws;
    int64_t now = int64_t(owed);
    owed -= double(now);
    for (int64_t i = 0; i < now; i++) sum += draw();
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["draws"] = draws;
}

// The session's own generator.
void BM_DrawsOfSession(benchmark::State &state, const BENCH_CASE *c) {
  init_genrand(1);
  TimeDrawsOfSession(state, c, genrand_real2);
}

// The same draws from std::mt19937 (the same sequence, its state kept in 64-bit words here): the
// draws' cost with the standard library's usual generator, for comparison.
void BM_StdDrawsOfSession(benchmark::State &state, const BENCH_CASE *c) {
  std::mt19937 engine(1);
  TimeDrawsOfSession(state, c, [&engine] { return engine() * (1.0 / 4294967296.0); });
}

void PrintRatios(const KeepingReporter &reporter) {
  printf("\n%-14s %14s %14s %14s %8s %14s %10s\n", "case", "draws/session", "ns/session",
         "ns/draws", "ratio", "ns/std draws", "std ratio");
  for (const BENCH_CASE &c : kCases) {
    const double session = reporter.Seconds(std::string("Session/") + c.name);
    const double draws = reporter.Seconds(std::string("DrawsOfSession/") + c.name);
    const double std_draws = reporter.Seconds(std::string("StdDrawsOfSession/") + c.name);
    if (session == 0 || draws == 0) continue;
    printf("%-14s %14.1f %14.1f %14.1f %8.2f %14.1f %10.2f\n", c.name, DrawsPerSession(c),
           session * 1e9, draws * 1e9, session / draws, std_draws * 1e9,
           std_draws > 0 ? session / std_draws : NAN);
  }
}

}  // namespace

int main(int argc, char **argv) {
  for (const BENCH_CASE &c : kCases) {
    benchmark::RegisterBenchmark((std::string("Session/") + c.name).c_str(), BM_Session, &c);
    benchmark::RegisterBenchmark((std::string("DrawsOfSession/") + c.name).c_str(),
                                 BM_DrawsOfSession, &c);
    benchmark::RegisterBenchmark((std::string("StdDrawsOfSession/") + c.name).c_str(),
                                 BM_StdDrawsOfSession, &c);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  KeepingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  PrintRatios(reporter);
  return 0;
}
