// The command-line parser: help request, reading every option from the table in order, the checks
// of the rules in their fixed order, and the lenient number conversions.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "adapt/runs_schedule.h"
#include "coding/codebook.h"
#include "config/options.h"
#include "config/slots.h"
#include "config/unread_words.h"
#include "core/state.h"
#include "support/fail.h"
#include "support/numbers.h"

const char *FindArg(int argc, char **argv, const char *name) {
  size_t length = strlen(name);
  for (int i = 1; i < argc; i++)
    if (strncmp(argv[i], name, length) == 0) return argv[i] + length;
  return nullptr;
}

bool ParseArgInt(int argc, char **argv, const char *name, int32_t *out) {
  const char *value = FindArg(argc, argv, name);
  return !value || ReadInt32(value, out);
}

void ParseArgFloat(int argc, char **argv, const char *name, double *out) {
  const char *value = FindArg(argc, argv, name);
  if (value) *out = atof(value);
}

bool HelpRequested(int argc, char **argv) {
  return FindArg(argc, argv, "-h") || FindArg(argc, argv, "--help");
}

namespace {

// Reads one option into its parameter when an argument word gives it. Values that cannot be read
// (integers beyond 32 bits, malformed seeds) leave the parameter as it is; the checks name them.
void ReadOption(SIM &S, const OPTION &option, int argc, char **argv) {
  const char *value = FindArg(argc, argv, option.word);
  if (!value) return;
  S.given[option.id] = 1;
  switch (option.kind) {
    case OPT_INT:
    case OPT_FLAG: ReadInt32(value, &Parameter<int32_t>(S, option)); break;
    case OPT_REAL: Parameter<double>(S, option) = atof(value); break;
    case OPT_FORCENS:
      if (ReadInt32(value, &S.forcens) && S.forcens) S.forcens = S.ns;
      break;
    case OPT_LIST:
      Parameter<double *>(S, option) = csvtof(S.memory, value, &S.ns);
      S.given[option.id] = S.ns;
      break;
    case OPT_FILE: Parameter<BINCODES>(S, option) = CodesReadFile(S.memory, value); break;
    case OPT_SCHEDULE: Parameter<ADRUNS>(S, option) = AdaptReadRuns(S.memory, value); break;
    case OPT_KEYWORD: Parameter<TEXT>(S, option) = value; break;
    case OPT_SEED: ReadSeed(value, &Parameter<uint32_t>(S, option)); break;
  }
}

void CheckCodebookLengths(SIM &S) {
  if (S.codewords.count == 0 && S.classes.count == 0) return;
  if (S.codewords.nbits != S.classes.nbits) Fail(8, "Error: Codebook and classes length differ!\n");
  S.nf = S.codewords.nbits;
}

// Zero counts are refused with the usage message.
void CheckNotZero(const SIM &S, const char *prog) {
  for (const OPTION &option : Options())
    if (option.rules->not_zero && Parameter<int32_t>(S, option) == 0)
      Fail(1, "Error: Invalid argument values. See %s -h for usage.\n", prog);
}

// An option and its value as given, for the message of a refusal.
struct CHECK {
  const OPTION &option;
  const char *value;
};

// Ends the process with the message naming the option, its value and what is wrong with the value
// (element 0) or with its element-th list value. Nothing is allocated on the way out.
[[noreturn]] void Refuse(const CHECK &check, int32_t element, const char *what) {
  char subject[32] = "the value";
  if (element) snprintf(subject, sizeof subject, "value %ld", long(element));
  Fail(1, "Error: %s%s is invalid: %s %s.\n", check.option.word, check.value, subject, what);
}

// A number against the rules of its kind and of its option that are refused here.
void CheckNumber(const SIM &S, const CHECK &check, double x, int32_t element) {
  auto check_rule = [&](const RANGE_RULE *rule) {
    if (rule && rule->status == 1 && RuleApplies(S, *rule) && !WithinRule(x, *rule))
      Refuse(check, element, rule->message);
  };
  check_rule(KindRule(check.option.kind));
  for (const RANGE_RULE *rule : check.option.rules->ranges) check_rule(rule);
}

void CheckOption(const SIM &S, const OPTION &option, const char *value) {
  const CHECK check{option, value};
  int32_t integer;
  uint32_t seed_read;
  switch (option.kind) {
    case OPT_INT:
    case OPT_FLAG:
    case OPT_FORCENS:
      // The value as read, beyond 32 bits when it did not fit.
      if (!ReadInt32(value, &integer)) Refuse(check, 0, KindRule(option.kind)->message);
      CheckNumber(S, check, Parameter<int32_t>(S, option), 0);
      break;
    case OPT_REAL: CheckNumber(S, check, Parameter<double>(S, option), 0); break;
    case OPT_LIST:
      for (int32_t i = 0; i < S.given[option.id]; i++)
        CheckNumber(S, check, Parameter<double *>(S, option)[i], i + 1);
      break;
    case OPT_SEED:
      if (!ReadSeed(value, &seed_read)) Refuse(check, 0, KindRule(option.kind)->message);
      break;
    default: break;
  }
}

// Every given option against its kind and range rules, in table order. Numbers are checked as
// they stand after the lists, forcens and the codebook files had their say.
void CheckGivenValues(const SIM &S, int argc, char **argv) {
  for (const OPTION &option : Options())
    if (const char *value = FindArg(argc, argv, option.word)) CheckOption(S, option, value);
}

}  // namespace

void ParseMainArgs(SIM &S, int argc, char **argv) {
  const char *prog = argc > 0 && argv[0] ? argv[0] : "qrvl_sim";
  if (HelpRequested(argc, argv)) PrintHelp(prog);
  for (const OPTION &option : Options()) ReadOption(S, option, argc, argv);
  if (S.forcens) S.ns = S.forcens;
  CheckCodebookLengths(S);
  CheckNotZero(S, prog);
  CheckGivenValues(S, argc, argv);
  FillOperationSlots(S);
  ReportUnreadWords(S, argc, argv);
}
