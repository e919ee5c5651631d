// The command-line parser: help request, reading every option from the table in order, the checks
// in their fixed order, and the lenient number conversions.
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "adapt/runs_schedule.h"
#include "coding/codebook.h"
#include "config/options.h"
#include "config/slots.h"
#include "core/state.h"
#include "support/alloc.h"
#include "support/fail.h"

const char *FindArg(int argc, char **argv, const char *name) {
  size_t length = strlen(name);
  for (int i = 1; i < argc; i++)
    if (strncmp(argv[i], name, length) == 0) return argv[i] + length;
  return nullptr;
}

namespace {

// atol's reading of text: blanks, an optional sign, decimal digits up to the first other
// character, 0 when there are none. *overflow is set when the magnitude exceeds limit.
int64_t ReadDecimal(const char *text, int64_t limit, bool *overflow) {
  while (isspace(static_cast<unsigned char>(*text))) text++;
  bool negative = *text == '-';
  if (*text == '-' || *text == '+') text++;
  int64_t value = 0;
  *overflow = false;
  for (; isdigit(static_cast<unsigned char>(*text)); text++) {
    value = value * 10 + (*text - '0');
    if (value > limit) {
      *overflow = true;
      value = limit;
    }
  }
  return negative ? -value : value;
}

bool ReadUInt32(const char *text, uint32_t *out) {
  bool overflow;
  int64_t value = ReadDecimal(text, int64_t(UINT32_MAX) + 1, &overflow);
  if (overflow || value < 0 || value > int64_t(UINT32_MAX)) return false;
  *out = uint32_t(value);
  return true;
}

}  // namespace

bool ReadInt32(const char *text, int32_t *out) {
  bool overflow;
  int64_t value = ReadDecimal(text, int64_t(INT32_MAX) + 1, &overflow);
  if (overflow || value < INT32_MIN || value > INT32_MAX) return false;
  *out = int32_t(value);
  return true;
}

bool ParseArgInt(int argc, char **argv, const char *name, int32_t *out) {
  const char *value = FindArg(argc, argv, name);
  return !value || ReadInt32(value, out);
}

void ParseArgFloat(int argc, char **argv, const char *name, double *out) {
  const char *value = FindArg(argc, argv, name);
  if (value) *out = atof(value);
}

double *csvtof(const char *text, int32_t *count) {
  double *values = nullptr;
  int32_t k = 0;
  for (const char *field = text;; k++) {
    values = static_cast<double *>(MyRealloc(values, size_t(k + 1) * sizeof(double)));
    // atof stops at the comma that closes the field; an empty field gives 0.0.
    values[k] = *field == ',' ? 0.0 : atof(field);
    const char *comma = strchr(field, ',');
    if (!comma) break;
    field = comma + 1;
  }
  *count = k + 1;
  return values;
}

namespace {

void AnswerHelpRequest(int argc, char **argv, const char *prog) {
  if (FindArg(argc, argv, "-h") || FindArg(argc, argv, "--help")) PrintHelp(prog);
}

// Reads one option into its global when an argument word gives it; false when an integer does not
// fit in 32 bits.
bool ReadOption(const OPTION &option, int argc, char **argv) {
  if (option.kind == OPT_INT)
    return ParseArgInt(argc, argv, option.word, static_cast<int32_t *>(option.target));
  if (option.kind == OPT_REAL) {
    ParseArgFloat(argc, argv, option.word, static_cast<double *>(option.target));
    return true;
  }
  const char *value = FindArg(argc, argv, option.word);
  if (!value) return true;
  switch (option.kind) {
    case OPT_FORCENS:
      if (!ReadInt32(value, &forcens)) return false;
      if (forcens) forcens = ns;
      return true;
    case OPT_LIST:
      *static_cast<double **>(option.target) = csvtof(value, &ns);
      *option.given = ns;
      return true;
    case OPT_FILE: *static_cast<BINCODES *>(option.target) = CodesReadFile(value); return true;
    case OPT_SCHEDULE: *static_cast<ADRUNS *>(option.target) = AdaptReadRuns(value); return true;
    case OPT_KEYWORD: *static_cast<const char **>(option.target) = value; return true;
    case OPT_SEED: seed_given = 1; return ReadUInt32(value, &seed);
    default: return true;
  }
}

// Every option in table order; only the first word for an option counts.
bool ReadOptions(int argc, char **argv) {
  ApplyBuiltinOptions();
  bool fits = true;
  for (int i = 0; i < optionCount; i++)
    if (optionTable[i].word && !ReadOption(optionTable[i], argc, argv)) fits = false;
  return fits;
}

void CheckCodebookLengths() {
  if (codewords.count == 0 && classes.count == 0) return;
  if (codewords.nbits != classes.nbits) Fail(8, "Error: Codebook and classes length differ!\n");
  nf = codewords.nbits;
}

// Zero counts are rejected, and so is every value that would size an allocation negatively.
void CheckValues(const char *prog, bool fits) {
  bool invalid = !fits || nn == 0 || runs == 0 || B == 0 || DATA == 0 || nf == 0;
  invalid = invalid || nn < 0 || nf < 0 || ns < 0 || tx_wait_hist_size < 0;
  invalid = invalid || (adaptive && ad_size < 1);
  if (invalid) Fail(1, "Error: Invalid argument values. See %s -h for usage.\n", prog);
}

bool IsProbability(double p) { return p >= 0.0 && p <= 1.0; }

// The geometric draws need parameters in [0, 1]; NaN is outside too.
void CheckGeometricParameters() {
  for (int32_t i = 0; i < tau_given; i++)
    if (!IsProbability(tau[i]))
      Fail(1, "Error: tau values must be in [0, 1]; round %ld has %g.\n", long(i), tau[i]);
  if (!IsProbability(fsf_tau)) Fail(1, "Error: fsf_tau must be in [0, 1], not %g.\n", fsf_tau);
}

}  // namespace

void ParseMainArgs(int argc, char **argv) {
  const char *prog = argc > 0 && argv[0] ? argv[0] : "qrvl_sim";
  AnswerHelpRequest(argc, argv, prog);
  bool fits = ReadOptions(argc, argv);
  if (forcens) ns = forcens;
  CheckCodebookLengths();
  CheckValues(prog, fits);
  CheckGeometricParameters();
  FillOperationSlots();
}
