// libFuzzer target for the codebook and classes reader: the input is the whole file. The reader
// either returns a set of words (checked here against the file's own rules) or ends the process
// with status 1 and its message, which returns here instead.
#include <unistd.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "coding/codebook.h"
#include "core/state.h"
#include "fuzz_harness.h"
#include "support/fail.h"

namespace {

std::string path;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  char dir[] = "/tmp/qrvl_codebook_fuzz_XXXXXX";
  if (!mkdtemp(dir)) abort();
  path = std::string(dir) + "/codes";
  SilenceTheSimulator();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FILE *file = fopen(path.c_str(), "wb");
  if (!file || fwrite(data, 1, size, file) != size || fclose(file) != 0) abort();
  static std::unique_ptr<MEMORY> memory;  // the last input's blocks go now
  memory = std::make_unique<MEMORY>();
  if (setjmp(endOfProcess) == 0) {
    BINCODES codes = CodesReadFile(*memory, path.c_str());
    // Every word fits the word length, which a file of words gives between 1 and 32.
    if (codes.count < 1 || codes.nbits < 1 || codes.nbits > 32) abort();
    for (int32_t i = 0; i < codes.count; i++)
      if (codes.nbits < 32 && uint32_t(codes.codes[i]) >> codes.nbits) abort();
  } else if (endStatus != 1) {
    abort();  // the reader's only end is status 1
  }
  return 0;
}
