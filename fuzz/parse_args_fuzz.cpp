// libFuzzer target for the command line: the input is split into argument words at line ends and
// read by the option parser; when the values are small enough to set up quickly, the set-up runs
// too. Every orderly end of the process (help, rejections, the dump) returns here instead.
#include <unistd.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "config/options.h"
#include "config/setup.h"
#include "core/state.h"
#include "fuzz_harness.h"
#include "support/fail.h"
#include "support/mt_rand.h"

namespace {

const size_t kMaxWords = 256;

// Word files the inputs may name: a value after "codebook=" or "classes=" is replaced by one of
// these, chosen by its first character, so that runs never depend on the machine's files.
std::vector<std::string> wordFiles;

std::string WriteFile(const std::string &dir, const std::string &name, const std::string &text) {
  std::string path = dir + "/" + name;
  FILE *file = fopen(path.c_str(), "w");
  if (!file) abort();
  fputs(text.c_str(), file);
  fclose(file);
  return path;
}

std::string CountingWords(int count, int width) {
  std::string text;
  for (int w = 1; w <= count; w++) {
    for (int bit = width - 1; bit >= 0; bit--) text += (w >> bit) & 1 ? '1' : '0';
    text += '\n';
  }
  return text;
}

void PrepareWordFiles() {
  char dir[] = "/tmp/qrvl_fuzz_XXXXXX";
  if (!mkdtemp(dir)) abort();
  wordFiles = {
      WriteFile(dir, "three_a", "101\n011\n"),      WriteFile(dir, "three_b", "001\r\n010\r\n100"),
      WriteFile(dir, "four", "1\n0001\n"),          WriteFile(dir, "five_17", CountingWords(17, 5)),
      WriteFile(dir, "wide", CountingWords(3, 27)), std::string(dir) + "/missing",
  };
}

std::string FileWord(const std::string &word, size_t prefix) {
  unsigned char pick = word.size() > prefix ? word[prefix] : 0;
  return word.substr(0, prefix) + wordFiles[pick % wordFiles.size()];
}

// Argument words, one per line; the first is the program name.
void SplitWords(const uint8_t *data, size_t size, std::vector<std::string> &words) {
  words.assign(1, "qrvl_sim");
  std::string word;
  for (size_t i = 0; i <= size && words.size() < kMaxWords; i++) {
    if (i < size && data[i] != '\n') {
      word += char(data[i]);
      continue;
    }
    if (word.starts_with("codebook=")) word = FileWord(word, strlen("codebook="));
    if (word.starts_with("classes=")) word = FileWord(word, strlen("classes="));
    words.push_back(word);
    word.clear();
  }
}

// Set-up is worth running when it allocates little and builds small tables; word lengths above
// the limit fail before any table is built.
bool SmallEnoughToSetUp(const SIM &S) {
  bool files = S.codewords.count > 0 && S.classes.count > 0;
  int64_t length = files ? S.nf : int64_t(S.nf) * S.repeat;
  bool short_words = length <= 12 || length > kMaxWordBits;
  bool small_arrays = LargestNodeCount(S) <= 64 && S.ns <= 1024 && S.tx_wait_hist_size <= 65536;
  return short_words && small_arrays && (!S.adaptive || S.ad_size <= 4096);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  PrepareWordFiles();
  SilenceTheSimulator();  // the fuzzer and the sanitizers keep their own output
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // Keyword options point into the words, so they live until the next input.
  static std::vector<std::string> words;
  static std::vector<char *> argv;
  SplitWords(data, size, words);
  argv.clear();
  for (std::string &word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  // The simulation of the last input goes now: an end of the process skips its destruction.
  static std::unique_ptr<SIM> simulation;
  simulation = std::make_unique<SIM>();
  SIM &S = *simulation;
  if (setjmp(endOfProcess) == 0) {
    ParseMainArgs(S, int(words.size()), argv.data());
    if (SmallEnoughToSetUp(S)) {
      init_genrand(S.mt_rand, 1);
      InitSimVars(S);
    }
  }
  return 0;
}
