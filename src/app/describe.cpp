// The JSON description of the options and columns.
#include "app/describe.h"

#include <cstring>

#include "app/version.h"
#include "config/options.h"
#include "config/slots.h"
#include "core/state.h"
#include "core/report.h"
#include "support/fail.h"

namespace {

// A JSON string; the texts here are printable ASCII, but quotes and backslashes are escaped.
void WriteString(FILE *out, const char *text) {
  fputc('"', out);
  for (const char *c = text; *c; c++) {
    if (*c == '"' || *c == '\\') fputc('\\', out);
    fputc(*c, out);
  }
  fputc('"', out);
}

// The option word without its "=".
void WriteWord(FILE *out, const char *word) {
  fprintf(out, "\"%.*s\"", int(strlen(word) - 1), word);
}

const char *KindName(OptionKind kind) {
  switch (kind) {
    case OPT_INT:
    case OPT_SEED: return "integer";
    case OPT_FLAG:
    case OPT_FORCENS: return "flag";
    case OPT_REAL: return "real";
    case OPT_LIST: return "list";
    case OPT_FILE: return "file";
    case OPT_SCHEDULE: return "text";
    case OPT_KEYWORD: return "keyword";
  }
  return "";
}

// The built-in value is the global's before any option is read; a list's is that of every round.
// The seed's comes from the clock and the progress line's from whether standard error is a
// terminal: such values are words marked as special.
void WriteBuiltin(FILE *out, const OPTION &option) {
  const void *value = option.target;
  if (option.kind == OPT_SEED) return (void)fputs("{\"special\": \"clock\"}", out);
  if (value == &progress) return (void)fputs("{\"special\": \"terminal\"}", out);
  switch (option.kind) {
    case OPT_INT:
    case OPT_FLAG:
    case OPT_FORCENS: fprintf(out, "%ld", long(*static_cast<const int32_t *>(value))); break;
    case OPT_SEED: fprintf(out, "%lu", (unsigned long)*static_cast<const uint32_t *>(value)); break;
    case OPT_REAL: fprintf(out, "%.17g", *static_cast<const double *>(value)); break;
    case OPT_LIST: fprintf(out, "%.17g", option.fill); break;
    case OPT_KEYWORD: WriteString(out, *static_cast<const char *const *>(value)); break;
    case OPT_FILE:
    case OPT_SCHEDULE: fputs("null", out); break;
  }
}

void WriteRules(FILE *out, const OPTION &option) {
  fputs("\"rules\": [", out);
  const char *separator = "";
  if (option.kind == OPT_REAL || option.kind == OPT_LIST) {
    fputs("\"finite\"", out);
    separator = ", ";
  }
  if (option.kind == OPT_SEED) fputs("\"0 to 4294967295\"", out);
  for (uint32_t bit = 1; bit <= RULE_AT_LEAST_1_ADAPTIVE; bit <<= 1)
    if (option.rules & bit) {
      fputs(separator, out);
      WriteString(out, RuleText(OptionRule(bit)));
      separator = ", ";
    }
  fputs("]", out);
}

// The inclusive bounds that always hold; every integer has those of 32 bits at least.
void WriteBounds(FILE *out, const OPTION &option) {
  const uint32_t rules = option.rules;
  if (option.kind == OPT_SEED) fputs(", \"min\": 0, \"max\": 4294967295", out);
  if ((rules & RULE_NOT_ZERO && rules & RULE_NOT_NEGATIVE) || rules & RULE_AT_LEAST_1)
    fputs(", \"min\": 1", out);
  else if (rules & (RULE_NOT_NEGATIVE | RULE_UNIT_INTERVAL))
    fputs(", \"min\": 0", out);
  else if (option.kind == OPT_INT)
    fputs(", \"min\": -2147483648", out);
  if (rules & RULE_UNIT_INTERVAL) fputs(", \"max\": 1", out);
  if (option.kind == OPT_INT) fputs(", \"max\": 2147483647", out);
}

void WriteOption(FILE *out, const OPTION &option) {
  fputs("    {\"word\": ", out);
  WriteWord(out, option.word);
  fprintf(out, ", \"kind\": \"%s\", \"builtin\": ", KindName(option.kind));
  WriteBuiltin(out, option);
  if (option.kind == OPT_KEYWORD) {
    fputs(", \"values\": [", out);
    for (int i = 0; const char *keyword = OptionKeyword(option.target, i); i++) {
      if (i) fputs(", ", out);
      WriteString(out, keyword);
    }
    fputs("]", out);
  }
  if (option.kind == OPT_LIST) fputs(", \"element\": \"real\"", out);
  fputs(", \"help\": ", out);
  WriteString(out, option.help);
  fputs(", \"aliases\": [", out);
  if (option.alias) WriteWord(out, option.alias);
  fputs("], ", out);
  WriteRules(out, option);
  WriteBounds(out, option);
  fputs("}", out);
}

}  // namespace

void WriteDescription(FILE *out) {
  fputs("{\n  \"version\": ", out);
  WriteString(out, VersionLine());
  fputs(",\n  \"options\": [\n", out);
  const char *separator = "";
  for (const OPTION &option : Options()) {
    fputs(separator, out);
    WriteOption(out, option);
    separator = ",\n";
  }
  fputs("\n  ],\n  \"columns\": [", out);
  for (int i = 0; i < kSummaryColumnCount; i++) {
    fputs(i ? ", " : "", out);
    WriteString(out, summaryColumns[i].name);
  }
  fputs("]\n}\n", out);
}

void PrintDescription() {
  WriteDescription(stdout);
  EndProcess(0);
}
