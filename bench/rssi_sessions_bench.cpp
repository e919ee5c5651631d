// Sessions per second of the centralized and ad hoc received-power sessions, with the pair gains
// drawn when a session first uses them (lazy) or all at session start (eager), next to the
// baseline of drawing every pair's gains alone; ends with a table of ratios and gain-draw shares.
#include <benchmark/benchmark.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_runs.h"
#include "bench_util.h"
#include "channel/rssi.h"
#include "core/state.h"
#include "sessions/adhoc.h"
#include "sessions/centralized.h"
#include "support/mt_rand.h"

namespace {

const int kNodeCounts[] = {10, 50, 200};
const int kGainBatch = 1024;

SIM &SetUp(std::vector<std::string> words) {
  words.insert(words.end(), {"ns=3", "seed=12345"});
  return StartUpWith(words);
}

// The gains the last session drew: the subcarriers marked drawn on the pairs stamped with it.
int64_t GainsDrawnLastSession(const SIM &S) {
  const int32_t nn = S.nn;
  if (S.rssi_eager_gains) return int64_t(nn) * (nn - 1) / 2 * (S.rssi_flat ? 1 : S.nf);
  int64_t gains = 0;
  for (int32_t a = 0; a < nn; a++)
    for (int32_t b = a + 1; b < nn; b++) {
      size_t pair = size_t(a) * size_t(S.max_nn) + size_t(b);
      if (S.rssi_pairs[pair].session != S.rssi_session) continue;
      gains += S.rssi_flat ? 1 : std::popcount(S.rssi_pairs[pair].subcarriers & LowBits(S.nf));
    }
  return gains;
}

// Arguments: adhoc (0 centralized, 1 ad hoc), nn, eager, adaptive.
void BM_Session(benchmark::State &state) {
  bool adhoc = state.range(0) != 0;
  std::vector<std::string> words{adhoc ? "adhoc=1" : "centr=1",
                                 "nn=" + std::to_string(state.range(1))};
  if (state.range(3)) words.push_back("adaptive=1");
  SIM &S = SetUp(words);
  S.rssi_eager_gains = int32_t(state.range(2));
  SessionFn session = adhoc ? SimSessionAdhocRSSI : SimSessionCentralizedRSSI;
  for (auto _ : state) benchmark::DoNotOptimize(session(S, S.refs));
  state.SetItemsProcessed(state.iterations());
  // Gains per session, counted outside the timed loop.
  const int sample = 200;
  int64_t gains = 0;
  for (int i = 0; i < sample; i++) {
    session(S, S.refs);
    gains += GainsDrawnLastSession(S);
  }
  state.counters["gains"] = double(gains) / sample;
}
BENCHMARK(BM_Session)
    ->ArgNames({"adhoc", "nn", "eager", "adaptive"})
    ->ArgsProduct({{0, 1}, {10, 50, 200}, {0, 1}, {0}})
    ->ArgsProduct({{0, 1}, {200}, {0, 1}, {1}})
    ->Unit(benchmark::kMicrosecond);

// The baseline: every pair's gains among nn nodes, as drawn at the start of a session.
void BM_DrawPairGains(benchmark::State &state) {
  SIM &S = SetUp({"centr=1", "nn=" + std::to_string(state.range(0))});
  for (auto _ : state) RSSIDrawPairGains(S);
  state.SetItemsProcessed(state.iterations());
  state.counters["gains"] = double(S.nn) * (S.nn - 1) / 2 * S.nf;
}
BENCHMARK(BM_DrawPairGains)
    ->ArgName("nn")
    ->Arg(10)
    ->Arg(50)
    ->Arg(200)
    ->Unit(benchmark::kMicrosecond);

// One gain draw: a Rayleigh variate squared plus the floor.
void BM_DrawGain(benchmark::State &state) {
  SIM &S = SetUp({"centr=1"});
  TimeDrawsInBatches(state, kGainBatch, [&S] { return DrawGain(S); });
}
BENCHMARK(BM_DrawGain);

std::string SessionName(int adhoc, int nn, int eager, int adaptive) {
  return "BM_Session/adhoc:" + std::to_string(adhoc) + "/nn:" + std::to_string(nn) +
         "/eager:" + std::to_string(eager) + "/adaptive:" + std::to_string(adaptive);
}

double PerSecond(double seconds) { return seconds > 0 ? 1.0 / seconds : 0.0; }

void PrintRow(const KeepingReporter &r, int adhoc, int nn, int adaptive, double gain_seconds) {
  std::string lazy = SessionName(adhoc, nn, 0, adaptive),
              eager = SessionName(adhoc, nn, 1, adaptive);
  double baseline = r.Seconds("BM_DrawPairGains/nn:" + std::to_string(nn));
  double lazy_s = r.Seconds(lazy), eager_s = r.Seconds(eager);
  if (lazy_s == 0 || eager_s == 0) return;
  printf("%-11s %4d %8s %12.0f %12.0f %12.0f %8.2f %10.0f %9.1f%% %10.0f %9.1f%%\n",
         adhoc ? "adhoc" : "centralized", nn, adaptive ? "adaptive" : "fixed", PerSecond(lazy_s),
         PerSecond(eager_s), PerSecond(baseline), baseline > 0 ? baseline / lazy_s : 0.0,
         r.Counter(lazy, "gains"), 100 * r.Counter(lazy, "gains") * gain_seconds / lazy_s,
         r.Counter(eager, "gains"), 100 * r.Counter(eager, "gains") * gain_seconds / eager_s);
}

void PrintSummary(const KeepingReporter &r) {
  double gain_seconds = r.Seconds("BM_DrawGain") / kGainBatch;
  printf(
      "\nsession      nn  pt      lazy sess/s eager sess/s  draw-all/s lazy/base lazy gains"
      " lazy share eager gains eager share\n");
  for (int adhoc = 0; adhoc < 2; adhoc++) {
    for (int nn : kNodeCounts) PrintRow(r, adhoc, nn, 0, gain_seconds);
    PrintRow(r, adhoc, 200, 1, gain_seconds);
  }
  if (gain_seconds > 0) printf("one gain draw: %.1f ns\n", gain_seconds * 1e9);
  printf("target: lazy sessions at nn 200 run at least 3x draw-all/s (lazy/base >= 3)\n");
}

}  // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  KeepingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintSummary(reporter);
  benchmark::Shutdown();
  return 0;
}
