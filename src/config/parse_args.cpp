// The command-line parser: help request, reading every option from the table in order, the checks
// in their fixed order, and the lenient number conversions.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "adapt/runs_schedule.h"
#include "channel/rssi.h"
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

// Reads one option into its global when an argument word gives it. Values that cannot be read
// (integers beyond 32 bits, malformed seeds) leave the global as it is; the checks name them.
void ReadOption(const OPTION &option, int argc, char **argv) {
  const char *value = FindArg(argc, argv, option.word);
  if (!value) return;
  if (option.given) *option.given = 1;
  switch (option.kind) {
    case OPT_INT:
    case OPT_FLAG: ReadInt32(value, static_cast<int32_t *>(option.target)); break;
    case OPT_REAL: *static_cast<double *>(option.target) = atof(value); break;
    case OPT_FORCENS:
      if (ReadInt32(value, &forcens) && forcens) forcens = ns;
      break;
    case OPT_LIST:
      *static_cast<double **>(option.target) = csvtof(value, &ns);
      *option.given = ns;
      break;
    case OPT_FILE: *static_cast<BINCODES *>(option.target) = CodesReadFile(value); break;
    case OPT_SCHEDULE: *static_cast<ADRUNS *>(option.target) = AdaptReadRuns(value); break;
    case OPT_KEYWORD: *static_cast<const char **>(option.target) = value; break;
    case OPT_SEED: ReadSeed(value, static_cast<uint32_t *>(option.target)); break;
  }
}

void CheckCodebookLengths() {
  if (codewords.count == 0 && classes.count == 0) return;
  if (codewords.nbits != classes.nbits) Fail(8, "Error: Codebook and classes length differ!\n");
  nf = codewords.nbits;
}

// Zero counts are refused with the usage message.
void CheckNotZero(const char *prog) {
  for (const OPTION &option : Options())
    if ((option.rules & RULE_NOT_ZERO) && *static_cast<int32_t *>(option.target) == 0)
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

// A number against the rules that concern numbers.
void CheckNumber(const CHECK &check, double x, int32_t element) {
  const uint32_t rules = check.option.rules;
  if (!std::isfinite(x)) Refuse(check, element, "must be a finite number");
  if ((rules & RULE_NOT_NEGATIVE) && x < 0) Refuse(check, element, "must not be negative");
  if ((rules & RULE_UNIT_INTERVAL) && !(x >= 0 && x <= 1))
    Refuse(check, element, "must lie in [0, 1]");
  if ((rules & RULE_POWER) && !(dbm2pw(x) > 0 && std::isfinite(dbm2pw(x))))
    Refuse(check, element, "must give a positive finite power");
  if ((rules & RULE_AT_LEAST_1_ADAPTIVE) && adaptive && x < 1)
    Refuse(check, element, "must be at least 1 when adaptive is on");
}

void CheckOption(const OPTION &option, const char *value) {
  const CHECK check{option, value};
  int32_t ignored;
  uint32_t seed_read;
  switch (option.kind) {
    case OPT_INT:
    case OPT_FLAG:
    case OPT_FORCENS:
      if (!ReadInt32(value, &ignored))
        Refuse(check, 0, "must be an integer from -2147483648 to 2147483647");
      CheckNumber(check, *static_cast<int32_t *>(option.target), 0);
      break;
    case OPT_REAL: CheckNumber(check, *static_cast<double *>(option.target), 0); break;
    case OPT_LIST:
      for (int32_t i = 0; i < *option.given; i++)
        CheckNumber(check, (*static_cast<double **>(option.target))[i], i + 1);
      break;
    case OPT_SEED:
      if (!ReadSeed(value, &seed_read))
        Refuse(check, 0, "must be a decimal integer from 0 to 4294967295");
      break;
    default: break;
  }
}

// Every given option against its kind and range rules, in table order. Numbers are checked as
// they stand after the lists, forcens and the codebook files had their say.
void CheckGivenValues(int argc, char **argv) {
  for (const OPTION &option : Options())
    if (const char *value = FindArg(argc, argv, option.word)) CheckOption(option, value);
}

}  // namespace

void ParseMainArgs(int argc, char **argv) {
  const char *prog = argc > 0 && argv[0] ? argv[0] : "qrvl_sim";
  if (HelpRequested(argc, argv)) PrintHelp(prog);
  for (const OPTION &option : Options()) ReadOption(option, argc, argv);
  if (forcens) ns = forcens;
  CheckCodebookLengths();
  CheckNotZero(prog);
  CheckGivenValues(argc, argv);
  FillOperationSlots();
  ReportUnreadWords(argc, argv);
}
