// Set-up cost of the referee tables for the default one-hot codebook: the simulator's build
// against a plain four-pass build (four one-table passes, then the closest-class table), each in
// its own child process so that its peak memory is its own; then the per-lookup cost of the
// arrays and of the searched lookups of long words.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "coding/codebook.h"
#include "coding/referee_tables.h"
#include "config/options.h"
#include "core/state.h"
#include "support/alloc.h"

namespace {

// Options as the program reads them, then the default codebook of nf one-hot words.
void PrepareCodebook(int32_t length) {
  static std::vector<std::string> words;
  words = {"coding_bench", "nf=" + std::to_string(length), "debug=0"};
  std::vector<char *> argv;
  for (std::string &word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  ResetState();
  ParseMainArgs(int(words.size()), argv.data());
  BuildDefaultCodebook(nf, repeat);
  nf = codewords.nbits;
}

// The four tables by their one-table rule, then the closest-class table over every received word.
void BuildFourPassTables() {
  refreplies = FSFCacheRefereeReplies(0, 0);
  refreplies_idx = FSFCacheRefereeReplies(0, 1);
  refclasses = FSFCacheRefereeReplies(1, 0);
  refclasses_idx = FSFCacheRefereeReplies(1, 1);
  size_t entries = size_t(1) << classes.nbits;
  closest_classes = BINCODES{static_cast<int32_t *>(MyMalloc(entries * 4)), 0, 0};
  for (size_t w = 0; w < entries; w++)
    closest_classes.codes[w] = FSFInterleaveWord(
        classes.codes[FSFFindWinningWord(FSFDeinterleaveWord(int32_t(w)), &classes)]);
}

// A fingerprint of a few table entries, so that both builds can be seen to agree.
uint32_t Fingerprint() {
  uint32_t sum = 0, mask = (1u << codewords.nbits) - 1u;
  for (uint32_t k = 0; k < 4096; k++) {
    uint32_t w = (k * 2654435761u) & mask;
    sum = sum * 31 + uint32_t(RefClassesAt(w)) + 7 * uint32_t(RefRepliesIdxAt(w)) +
          13 * uint32_t(ClosestClassesAt(w));
  }
  return sum;
}

enum VARIANT { IDLE, PROJECT, FOUR_PASS };
const char *const kVariantNames[] = {"idle", "project", "four-pass"};

struct CHILD_RESULT {
  double seconds;
  uint32_t fingerprint;
  long peak_kib;
};

void RunVariant(VARIANT variant, int32_t length, int out) {
  PrepareCodebook(length);
  auto start = std::chrono::steady_clock::now();
  if (variant == PROJECT) BuildRefereeTables();
  if (variant == FOUR_PASS) BuildFourPassTables();
  std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  CHILD_RESULT result{elapsed.count(), variant == IDLE ? 0u : Fingerprint(), 0};
  if (write(out, &result, sizeof result) != ssize_t(sizeof result)) _exit(2);
  _exit(0);
}

// Runs one variant in a child process; its peak resident size comes from wait4.
CHILD_RESULT Measure(VARIANT variant, int32_t length) {
  int channel[2];
  if (pipe(channel) != 0) {
    perror("pipe");
    exit(1);
  }
  fflush(stdout);
  pid_t child = fork();
  if (child == 0) {
    close(channel[0]);
    RunVariant(variant, length, channel[1]);
  }
  close(channel[1]);
  CHILD_RESULT result{};
  ssize_t got = read(channel[0], &result, sizeof result);
  close(channel[0]);
  int status = 0;
  struct rusage usage {};
  wait4(child, &status, 0, &usage);
  if (got != ssize_t(sizeof result) || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    fprintf(stderr, "%s build at nf %d failed\n", kVariantNames[variant], length);
    exit(1);
  }
  result.peak_kib = usage.ru_maxrss;
  return result;
}

void CompareSetUps(const std::vector<int32_t> &lengths) {
  printf("Referee tables of the default one-hot codebook: set-up time and peak resident size\n");
  printf("%4s  %-9s  %10s  %10s  %10s  %10s\n", "nf", "build", "seconds", "peak MiB", "net MiB",
         "check");
  for (int32_t length : lengths) {
    CHILD_RESULT idle = Measure(IDLE, length), project = Measure(PROJECT, length);
    CHILD_RESULT plain = Measure(FOUR_PASS, length);
    for (VARIANT v : {PROJECT, FOUR_PASS}) {
      const CHILD_RESULT &r = v == PROJECT ? project : plain;
      printf("%4d  %-9s  %10.4f  %10.1f  %10.1f  %10x\n", length, kVariantNames[v], r.seconds,
             r.peak_kib / 1024.0, (r.peak_kib - idle.peak_kib) / 1024.0, r.fingerprint);
    }
    double net_project = double(project.peak_kib - idle.peak_kib);
    double net_plain = double(plain.peak_kib - idle.peak_kib);
    printf("%4d  ratio four-pass/project: time %.1fx, peak %.2fx, net memory %.1fx%s\n", length,
           plain.seconds / project.seconds, double(plain.peak_kib) / double(project.peak_kib),
           net_plain / (net_project > 0 ? net_project : 1.0),
           plain.fingerprint == project.fingerprint ? "" : "  TABLES DIFFER");
  }
  printf("\n");
}

// Lookups of random received words, as a round makes them: the reply and a node's reading of it.
// The second argument is the number of distinct words: few of them stay in the memos of the
// searched lookups, many of them do not.
void BM_RoundLookups(benchmark::State &state) {
  PrepareCodebook(int32_t(state.range(0)));
  BuildRefereeTables();
  std::mt19937 source(1);
  std::vector<uint32_t> heard(size_t(state.range(1)));
  for (uint32_t &w : heard) w = source() & ((1u << nf) - 1u);
  size_t k = 0, mask = heard.size() - 1;
  for (auto _ : state) {
    uint32_t w = heard[k++ & mask];
    benchmark::DoNotOptimize(ClosestClassesAt(uint32_t(RefClassesAt(w))) == RefClassesAt(w));
  }
  state.SetLabel(nf > kFullTableBits ? "searched" : "arrays");
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
