// The command-line options: the option table made from the one option list (word, kind,
// parameter, built-in value, rules as data, help line), read by one loop and checked by another;
// the argument lookup and conversion helpers; the parser and the help.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "core/state.h"

enum OptionKind {
  OPT_INT,       // [i]: a 32-bit integer, converted like atol
  OPT_FLAG,      // [b]: a 32-bit integer, 0 off and anything else on
  OPT_REAL,      // [f]: a double, converted like atof
  OPT_FORCENS,   // [b] that, when nonzero, captures ns as read so far
  OPT_LIST,      // per-round list of doubles; its length sets ns
  OPT_FILE,      // codebook or classes file
  OPT_SCHEDULE,  // node-count schedule "i:nn[,i:nn...]"
  OPT_KEYWORD,   // pointer to the value text
  OPT_SEED,      // unsigned 32-bit seed, read strictly
};

// A range of the values an option accepts (every element, for a list), as data: the value must
// lie in [min, max] while the option when is on (a flag, when_is null) or has the keyword when_is
// (always, when null).
struct RANGE_RULE {
  double min, max;
  const char *when;     // the word of the option under which the rule holds ("adaptive=")
  const char *when_is;  // the keyword it must have, in any letter case; null: nonzero
  const char *message;  // what a refusal says of the value: "must not be negative"
  int32_t status;       // a refusal's exit status; other than 1 (repeat's 3), the set-up refuses
                        // with a message of its own when it fills the slots
};

// The rules of an option besides those of its kind (32-bit integers, finite reals).
struct OPTION_RULES {
  bool not_zero;                  // zero is refused with the usage message
  const RANGE_RULE *ranges[3];    // up to three, the rest null
};

// An option, as the list gives it: its parameter is found at offset in PARAMS.
struct OPTION {
  const char *word;   // "nn=", ...
  OptionKind kind;
  OptionId id;
  size_t offset;
  BUILTIN builtin;    // a list's is the value of every round it does not give
  const OPTION_RULES *rules;
  const char *alias;  // the word the help text uses instead, if any
  const char *help;   // one line
};

extern const OPTION optionTable[kOptionCount];
// The table as a range.
inline std::span<const OPTION> Options() { return {optionTable, size_t(kOptionCount)}; }
// The option with this word ("adaptive="); null when there is none.
const OPTION *OptionWithWord(const char *word);

// The parameter of an option in a simulation, as the type it has.
template <class T>
T &Parameter(PARAMS &params, const OPTION &option) {
  return *reinterpret_cast<T *>(reinterpret_cast<char *>(&params) + option.offset);
}
template <class T>
const T &Parameter(const PARAMS &params, const OPTION &option) {
  return *reinterpret_cast<const T *>(reinterpret_cast<const char *>(&params) + option.offset);
}

// The rules every option of a kind obeys: 32-bit integers, decimal seeds, finite reals.
const RANGE_RULE *KindRule(OptionKind kind);
// The range rule applies in this simulation (its flag, if any, is on).
bool RuleApplies(const PARAMS &params, const RANGE_RULE &rule);
bool WithinRule(double x, const RANGE_RULE &rule);

// The text after name in the first argument word (after the program name) that begins with name.
const char *FindArg(int argc, char **argv, const char *name);
// Stores the integer value of the option when given; false when it does not fit in 32 bits.
// Kept for callers outside the option table (tests, tools); the parser reads through the table.
bool ParseArgInt(int argc, char **argv, const char *name, int32_t *out);
// Stores the real value of the option when given; kept as ParseArgInt is.
void ParseArgFloat(int argc, char **argv, const char *name, double *out);

// True when a word begins with "-h" or "--help".
bool HelpRequested(int argc, char **argv);
// Prints the help with prog in the usage line and ends the process with status 0.
[[noreturn]] void PrintHelp(const char *prog);

// Answers a help request, reads every option into S, validates the values and fills nine
// operation slots.
void ParseMainArgs(SIM &S, int argc, char **argv);
