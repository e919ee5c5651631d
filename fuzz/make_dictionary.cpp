// Writes the fuzzer's dictionary of the command line from the option table: every option word and
// keyword value, then the words and numbers that meet the parser's edges.
#include <cstdio>

#include "config/options.h"
#include "config/slots.h"

int main() {
  printf("# Option words and keyword values of the command line, for libFuzzer's -dict.\n");
  for (const OPTION &option : Options()) printf("\"%s\"\n", option.word);
  for (const OPTION &option : Options())
    for (int i = 0; const char *keyword = OptionKeyword(option.id, i); i++)
      printf("\"%s\"\n", keyword);
  for (const char *edge : {"-h", "--help", "2147483647", "4294967295", "-2147483648", ",", "nan",
                           "inf", "1e6", ":", "\\x0a"})
    printf("\"%s\"\n", edge);
  return 0;
}
