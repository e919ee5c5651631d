// Set-up cost of the referee tables for the default one-hot codebook: the simulator's build
// against a plain four-pass build (four one-table passes, then the closest-class table), each in
// its own child process so that its peak memory is its own; then the per-lookup cost of the
// arrays and of the searched lookups of long words.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bench_util.h"
#include "coding/referee_tables.h"

namespace {

const char *const kVariantNames[] = {"project", "four-pass"};

// One build of the tables at the given word length in its own process.
CHILD_MEASURE Measure(int variant, int32_t length) {
  return MeasureInChild([variant, length] {
    SIM &S = PrepareCodebook({"nf=" + std::to_string(length)});
    if (variant == 0)
      BuildRefereeTables(S);
    else
      BuildFourPassTables(S);
    return TableFingerprint(S);
  });
}

void CompareSetUps(const std::vector<int32_t> &lengths) {
  printf("Referee tables of the default one-hot codebook: set-up time and peak resident size\n");
  printf("%4s  %-9s  %10s  %10s  %10s\n", "nf", "build", "seconds", "peak MiB", "check");
  for (int32_t length : lengths) {
    CHILD_MEASURE built[2] = {Measure(0, length), Measure(1, length)};
    for (int v = 0; v < 2; v++)
      printf("%4d  %-9s  %10.4f  %10.1f  %10x\n", length, kVariantNames[v], built[v].seconds,
             built[v].peak_mib, built[v].check);
    if (built[0].check != built[1].check) printf("TABLES DIFFER at nf %d\n", length);
    std::string figure = "nf " + std::to_string(length) + " table set-up ";
    ReportResult((figure + "time (s) vs four-pass build").c_str(), built[0].seconds,
                 built[1].seconds, "-");
    ReportResult((figure + "peak memory (MiB) vs four-pass build").c_str(), built[0].peak_mib,
                 built[1].peak_mib, "-");
  }
  printf("\n");
}

// Lookups of random received words, as a round makes them: the reply and a node's reading of it.
// The second argument is the number of distinct words: few of them stay in the memos of the
// searched lookups, many of them do not.
void BM_RoundLookups(benchmark::State &state) {
  SIM &S = PrepareCodebook({"nf=" + std::to_string(state.range(0))});
  BuildRefereeTables(S);
  std::mt19937 source(1);
  std::vector<uint32_t> heard(size_t(state.range(1)));
  for (uint32_t &w : heard) w = source() & ((1u << S.nf) - 1u);
  size_t k = 0, mask = heard.size() - 1;
  for (auto _ : state) {
    uint32_t w = heard[k++ & mask];
    benchmark::DoNotOptimize(ClosestClassesAt(S, uint32_t(RefClassesAt(S, w))) ==
                             RefClassesAt(S, w));
  }
  state.SetLabel(S.nf > kFullTableBits ? "searched" : "arrays");
}
BENCHMARK(BM_RoundLookups)->ArgsProduct({{16, 20, 26}, {1 << 12, 1 << 20}});

}  // namespace

// Options: --no_setup skips the set-up comparison; --setup_nf=16,20 chooses its word lengths.
// Every other option goes to the benchmark library.
int main(int argc, char **argv) {
  bool setup = true;
  std::vector<int32_t> lengths = {16, 20, 26};
  std::vector<char *> rest;
  for (int i = 0; i < argc; i++) {
    if (strcmp(argv[i], "--no_setup") == 0) {
      setup = false;
    } else if (strncmp(argv[i], "--setup_nf=", 11) == 0) {
      lengths.clear();
      char *p = argv[i] + 11;
      for (char *end; *p; p = *end == ',' ? end + 1 : end) {
        long length = strtol(p, &end, 10);
        if (end == p) break;
        lengths.push_back(int32_t(length));
      }
    } else {
      rest.push_back(argv[i]);
    }
  }
  if (setup) CompareSetUps(lengths);
  int count = int(rest.size());
  benchmark::Initialize(&count, rest.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
