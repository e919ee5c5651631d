// The JSON description of the options and columns, generated from the option table.
#include "app/describe.h"

#include <cmath>
#include <cstring>

#include "app/version.h"
#include "config/options.h"
#include "config/slots.h"
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

// An option word without its "=".
void WriteWord(FILE *out, const char *word) {
  fprintf(out, "\"%.*s\"", int(strlen(word) - 1), word);
}

void WriteNumber(FILE *out, const char *name, double x) {
  fprintf(out, ", \"%s\": %.17g", name, x);
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

// A number, a text, or {"special": word} for a value that is not a constant; null for none.
void WriteBuiltin(FILE *out, const OPTION &option) {
  const BUILTIN &builtin = option.builtin;
  if (builtin.special) {
    fputs("{\"special\": ", out);
    WriteString(out, builtin.special);
    fputs("}", out);
  } else if (builtin.text) {
    WriteString(out, builtin.text);
  } else if (option.kind == OPT_FILE || option.kind == OPT_SCHEDULE) {
    fputs("null", out);
  } else {
    fprintf(out, "%.17g", builtin.number);
  }
}

// A rule as an object: the range it allows (a bound left out is open), the flag it depends on
// and the options it relates to, the refusal's status and words.
void WriteRange(FILE *out, const OPTION &option, const RANGE_RULE &rule) {
  fputs("{", out);
  if (&rule == KindRule(OPT_REAL)) {
    fputs("\"finite\": true", out);
  } else {
    fputs(option.kind == OPT_REAL || option.kind == OPT_LIST ? "\"real\": true"
                                                             : "\"integer\": true",
          out);
    if (std::isfinite(rule.min)) WriteNumber(out, "min", rule.min);
    if (std::isfinite(rule.max)) WriteNumber(out, "max", rule.max);
  }
  if (rule.when) {
    fputs(", \"when\": {", out);
    WriteWord(out, rule.when);
    fputs(": ", out);
    WriteString(out, rule.when_is ? rule.when_is : "on");
    fputs("}, \"relates\": [", out);
    WriteWord(out, rule.when);
    fputs("]", out);
  }
  fprintf(out, ", \"status\": %ld, \"message\": ", long(rule.status));
  WriteString(out, rule.message);
  fputs("}", out);
}

void WriteRules(FILE *out, const OPTION &option) {
  fputs("\"rules\": [", out);
  const char *separator = "";
  if (option.rules->not_zero) {
    fputs("{\"integer\": true, \"not\": 0, \"status\": 1, \"message\": \"must not be zero\"}", out);
    separator = ", ";
  }
  auto write = [&](const RANGE_RULE *rule) {
    if (!rule) return;
    fputs(separator, out);
    WriteRange(out, option, *rule);
    separator = ", ";
  };
  write(KindRule(option.kind));
  for (const RANGE_RULE *rule : option.rules->ranges) write(rule);
  fputs("]", out);
}

// The bounds that always hold: those of the kind and of the rules without a flag.
void WriteBounds(FILE *out, const OPTION &option) {
  const RANGE_RULE *kind = KindRule(option.kind);
  if (!kind || kind == KindRule(OPT_REAL)) kind = nullptr;
  double low = kind ? kind->min : -INFINITY, high = kind ? kind->max : INFINITY;
  for (const RANGE_RULE *range : option.rules->ranges)
    if (range && !range->when) low = fmax(low, range->min), high = fmin(high, range->max);
  if (option.rules->not_zero && low == 0) low = 1;
  if (std::isfinite(low)) WriteNumber(out, "min", low);
  if (std::isfinite(high)) WriteNumber(out, "max", high);
}

void WriteOption(FILE *out, const OPTION &option) {
  fputs("    {\"word\": ", out);
  WriteWord(out, option.word);
  fprintf(out, ", \"kind\": \"%s\", \"builtin\": ", KindName(option.kind));
  WriteBuiltin(out, option);
  if (option.kind == OPT_KEYWORD) {
    fputs(", \"values\": [", out);
    for (int i = 0; const char *keyword = OptionKeyword(option.id, i); i++) {
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
