// Helpers shared by the benchmarks: a ready simulation state from option words, measurement of a
// piece of work in a child process (time and peak resident size), and the result lines that
// bench/report collects into its table.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "coding/codebook.h"
#include "coding/referee_tables.h"
#include "config/options.h"
#include "app/startup.h"
#include "core/state.h"
#include "support/alloc.h"

// A command line of the program name, "debug=0" and these option words, kept alive because keyword
// options point into it; the state is reset, ready for the words to be read.
inline std::vector<char *> FreshCommandLine(const std::vector<std::string> &words) {
  static std::vector<std::string> kept;
  kept = {"qrvl_sim", "debug=0"};
  kept.insert(kept.end(), words.begin(), words.end());
  std::vector<char *> argv;
  for (std::string &word : kept) argv.push_back(word.data());
  argv.push_back(nullptr);
  ResetState();
  return argv;
}

// Starts up as the program does with these option words.
inline void StartUpWith(const std::vector<std::string> &words) {
  std::vector<char *> argv = FreshCommandLine(words);
  StartUp(int(argv.size()) - 1, argv.data());
}

// The options of these words and the default one-hot codebook, without the rest of the set-up.
inline void PrepareCodebook(const std::vector<std::string> &words) {
  std::vector<char *> argv = FreshCommandLine(words);
  ParseMainArgs(int(argv.size()) - 1, argv.data());
  BuildDefaultCodebook(nf, repeat);
  nf = codewords.nbits;
}

// The referee tables built literally: four one-table passes, each searching every received word
// anew, then the closest-class table over every received word.
inline void BuildFourPassTables() {
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

// A fingerprint of sample table entries, so that two builds can be seen to agree.
inline uint32_t TableFingerprint() {
  uint32_t sum = 0, mask = (1u << codewords.nbits) - 1u;
  for (uint32_t k = 0; k < 4096; k++) {
    uint32_t w = (k * 2654435761u) & mask;
    sum = sum * 31 + uint32_t(RefClassesAt(w)) + 7 * uint32_t(RefRepliesIdxAt(w)) +
          13 * uint32_t(ClosestClassesAt(w));
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
