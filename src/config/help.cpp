// The help: banner, credits, usage line and the option help with the built-in values put in.
#include <cstdio>
#include <cstring>
#include <string>

#include "config/help_text.h"
#include "config/options.h"
#include "core/version.h"
#include "support/fail.h"

namespace {

// The option whose word, or other spelling, is name (without its "=").
const OPTION *OptionNamed(const std::string &name) {
  for (const OPTION &option : Options())
    for (const char *spelling : {option.word, option.alias})
      if (spelling && name + "=" == spelling) return &option;
  return nullptr;
}

// The built-in value as the help prints it: integers as such, reals as %g.
std::string BuiltinText(const OPTION &option) {
  char text[64];
  if (option.kind == OPT_REAL)
    snprintf(text, sizeof text, "%g", option.builtin.number);
  else
    snprintf(text, sizeof text, "%ld", long(option.builtin.number));
  return text;
}

std::string OptionHelp() {
  std::string help;
  for (const char *c = kHelpText; *c; c++) {
    const char *end = *c == '{' ? strchr(c, '}') : nullptr;
    const OPTION *option = end ? OptionNamed(std::string(c + 1, end)) : nullptr;
    if (!option) {
      help += *c;
      continue;
    }
    help += BuiltinText(*option);
    c = end;
  }
  return help;
}

}  // namespace

void PrintHelp(const char *prog) {
  printf("\nQRVL Simulator v%s.%s\n", kVersion, kBuild);
  printf("by %s <%s>\n%s\n\n", "The QRVL Simulator developers", "qrvl-sim@example.org",
         "https://example.org/qrvl-sim");
  printf("Usage: %s OPTION=VALUE [OPTION=VALUE ...]\n\n", prog);
  fputs(OptionHelp().c_str(), stdout);
  EndProcess(0);
}
