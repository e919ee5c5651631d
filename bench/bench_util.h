// Helpers shared by the benchmarks: a ready simulation from option words, measurement of a
// piece of work in a child process (time and peak resident size), and the result lines that
// bench/report collects into its table.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "coding/codebook.h"
#include "coding/referee_tables.h"
#include "config/options.h"
#include "app/startup.h"
#include "core/state.h"
#include "support/alloc.h"

// A simulation of the benchmark, kept until the next one is made: a command line of the program
// name, "debug=0" and these option words, copied into the simulation's memory (keyword options
// point into it).
inline SIM &FreshSimulation(const std::vector<std::string> &words, std::vector<char *> &argv) {
  static std::unique_ptr<SIM> current;
  current = std::make_unique<SIM>();
  std::vector<std::string> all{"qrvl_sim", "debug=0"};
  all.insert(all.end(), words.begin(), words.end());
  argv.clear();
  for (const std::string &word : all)
    argv.push_back(strcpy(static_cast<char *>(MyMalloc(current->memory, word.size() + 1)),
                          word.c_str()));
  argv.push_back(nullptr);
  return *current;
}

// Starts up as the program does with these option words.
inline SIM &StartUpWith(const std::vector<std::string> &words) {
  std::vector<char *> argv;
  SIM &S = FreshSimulation(words, argv);
  StartUp(S, int(argv.size()) - 1, argv.data());
  return S;
}

// The options of these words and the default one-hot codebook, without the rest of the set-up.
inline SIM &PrepareCodebook(const std::vector<std::string> &words) {
  std::vector<char *> argv;
  SIM &S = FreshSimulation(words, argv);
  ParseMainArgs(S, int(argv.size()) - 1, argv.data());
  BuildDefaultCodebook(S, S.nf, S.repeat);
  S.nf = S.codewords.nbits;
  return S;
}

// The referee tables built literally: four one-table passes, each searching every received word
// anew, then the closest-class table over every received word.
inline void BuildFourPassTables(SIM &S) {
  S.refreplies = FSFCacheRefereeReplies(S, 0, 0);
  S.refreplies_idx = FSFCacheRefereeReplies(S, 0, 1);
  S.refclasses = FSFCacheRefereeReplies(S, 1, 0);
  S.refclasses_idx = FSFCacheRefereeReplies(S, 1, 1);
  size_t entries = size_t(1) << S.classes.nbits;
  S.closest_classes = BINCODES{static_cast<int32_t *>(MyMalloc(S.memory, entries * 4)), 0, 0};
  for (size_t w = 0; w < entries; w++)
    S.closest_classes.codes[w] = S.FSFInterleaveWord(
        S, S.classes.codes[S.FSFFindWinningWord(S, S.FSFDeinterleaveWord(S, int32_t(w)),
                                                &S.classes)]);
}

// A fingerprint of sample table entries, so that two builds can be seen to agree.
inline uint32_t TableFingerprint(SIM &S) {
  uint32_t sum = 0, mask = (1u << S.codewords.nbits) - 1u;
  for (uint32_t k = 0; k < 4096; k++) {
    uint32_t w = (k * 2654435761u) & mask;
    sum = sum * 31 + uint32_t(RefClassesAt(S, w)) + 7 * uint32_t(RefRepliesIdxAt(S, w)) +
          13 * uint32_t(ClosestClassesAt(S, w));
  }
  return sum;
}

struct CHILD_MEASURE {
  double seconds;   // wall-clock time of the work
  double peak_mib;  // peak resident size of the child
  uint32_t check;   // a value the work returns, to compare variants
};

// Runs work() in a child process: its time, its peak resident size (from wait4) and its result.
template <class Work>
CHILD_MEASURE MeasureInChild(Work work) {
  int channel[2];
  if (pipe(channel) != 0) exit(1);
  fflush(stdout);
  pid_t child = fork();
  if (child == 0) {
    close(channel[0]);
    auto start = std::chrono::steady_clock::now();
    uint32_t check = work();
    std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    CHILD_MEASURE result{elapsed.count(), 0, check};
    _exit(write(channel[1], &result, sizeof result) == ssize_t(sizeof result) ? 0 : 2);
  }
  close(channel[1]);
  CHILD_MEASURE result{};
  ssize_t got = read(channel[0], &result, sizeof result);
  close(channel[0]);
  int status = 0;
  struct rusage usage {};
  wait4(child, &status, 0, &usage);
  if (got != ssize_t(sizeof result) || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    fprintf(stderr, "a measured child process failed\n");
    exit(1);
  }
  result.peak_mib = usage.ru_maxrss / 1024.0;
  return result;
}

// One line of bench/report's table: a figure, its baseline, their ratio and the target for it.
inline void ReportResult(const char *figure, double value, double baseline, const char *target) {
  printf("RESULT|%s|%.6g|%.6g|%.3g|%s\n", figure, value, baseline, value / baseline, target);
}
