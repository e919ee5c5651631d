// The option table, made from the option list with the rules it names: every rule is data (a
// range, the flag it depends on, the refusal's words), from which the checks, the messages and
// --describe follow.
#include <cmath>
#include <cstddef>
#include <strings.h>

#include <cstring>
#include <limits>

#include "channel/rssi.h"
#include "config/options.h"

namespace {

const double kInf = std::numeric_limits<double>::infinity();

// The edge of the dBm levels whose power is positive and finite, between a level known to give
// such a power and one known not to: found by halving the interval of doubles between them.
double PowerEdge(double good, double bad) {
  auto positive_finite = [](double dbm) {
    const double power = dbm2pw(dbm);
    return power > 0 && std::isfinite(power);
  };
  for (;;) {
    const double middle = good + (bad - good) / 2;
    if (middle == good || middle == bad) return good;
    (positive_finite(middle) ? good : bad) = middle;
  }
}

const RANGE_RULE kNotNegativeRange{0, kInf, nullptr, nullptr, "must not be negative", 1};
const RANGE_RULE kAtLeast1Range{1, kInf, nullptr, nullptr, "must be at least 1", 3};
const RANGE_RULE kUnitRange{0, 1, nullptr, nullptr, "must lie in [0, 1]", 1};
const RANGE_RULE kPowerRange{PowerEdge(-62, -4000), PowerEdge(-62, 4000), nullptr, nullptr,
                             "must give a positive finite power", 1};
const RANGE_RULE kAdaptiveRange{1, kInf, "adaptive=", nullptr,
                                "must be at least 1 when adaptive is on", 1};
const RANGE_RULE kThreadsRange{1, 4096, nullptr, nullptr, "must be from 1 to 4096", 1};
const RANGE_RULE kThreadsKeyedRange{1, 1, "rng=", "mt",
                                    "must be 1 unless rng=keyed (the mt stream is sequential)", 1};
const RANGE_RULE kThreadsAdaptiveRange{
    1, 1, "adaptive=", nullptr,
    "must be 1 in adaptive mode (each session depends on the estimate before it)", 1};

const OPTION_RULES kNoRule{false, {}};
const OPTION_RULES kCount{true, {&kNotNegativeRange}};
const OPTION_RULES kNotNegative{false, {&kNotNegativeRange}};
const OPTION_RULES kAtLeast1{false, {&kAtLeast1Range}};
const OPTION_RULES kUnitInterval{false, {&kUnitRange}};
const OPTION_RULES kPower{false, {&kPowerRange}};
const OPTION_RULES kAtLeast1WhenAdaptive{false, {&kAdaptiveRange}};
const OPTION_RULES kThreads{false, {&kThreadsRange, &kThreadsKeyedRange, &kThreadsAdaptiveRange}};

const RANGE_RULE kInt32Rule{-2147483648.0, 2147483647.0, nullptr, nullptr,
                            "must be an integer from -2147483648 to 2147483647", 1};
const RANGE_RULE kSeedRule{0, 4294967295.0, nullptr, nullptr,
                           "must be a decimal integer from 0 to 4294967295", 1};
const RANGE_RULE kFiniteRule{std::numeric_limits<double>::lowest(),
                             std::numeric_limits<double>::max(), nullptr, nullptr,
                             "must be a finite number", 1};

}  // namespace

#define QRVL_OPTION_ROW(word, parameter, type, kind, builtin, rules, alias, help) \
  {word, kind, OPTION_##parameter, offsetof(PARAMS, parameter), builtin, &rules, alias, help},
const OPTION optionTable[kOptionCount] = {QRVL_OPTIONS(QRVL_OPTION_ROW)};
#undef QRVL_OPTION_ROW

const OPTION *OptionWithWord(const char *word) {
  for (const OPTION &option : Options())
    if (strcmp(option.word, word) == 0) return &option;
  return nullptr;
}

const RANGE_RULE *KindRule(OptionKind kind) {
  switch (kind) {
    case OPT_INT:
    case OPT_FLAG:
    case OPT_FORCENS: return &kInt32Rule;
    case OPT_SEED: return &kSeedRule;
    case OPT_REAL:
    case OPT_LIST: return &kFiniteRule;
    default: return nullptr;
  }
}

bool RuleApplies(const PARAMS &params, const RANGE_RULE &rule) {
  if (!rule.when) return true;
  const OPTION *other = OptionWithWord(rule.when);
  if (!other) return false;
  if (rule.when_is) return strcasecmp(Parameter<TEXT>(params, *other), rule.when_is) == 0;
  return Parameter<int32_t>(params, *other) != 0;
}

bool WithinRule(double x, const RANGE_RULE &rule) { return x >= rule.min && x <= rule.max; }
