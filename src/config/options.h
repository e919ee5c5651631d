// The command-line options: one table of option words, value kinds, target globals, built-in
// values, range rules and help lines, read by one loop and checked by another; the argument lookup
// and conversion helpers; the parser and the help.
#pragma once

#include <cstdint>
#include <span>

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

// The project's range rules on option values (list rules hold for every element). Every real
// value must also be finite.
enum OptionRule : uint32_t {
  RULE_NOT_ZERO = 1u << 0,        // refused with the usage message
  RULE_NOT_NEGATIVE = 1u << 1,
  RULE_AT_LEAST_1 = 1u << 2,      // repeat: refused when the slots are filled (status 3)
  RULE_UNIT_INTERVAL = 1u << 3,   // in [0, 1]
  RULE_POWER = 1u << 4,           // a dBm value whose linear power is positive and finite
  RULE_AT_LEAST_1_ADAPTIVE = 1u << 5,
};

// An option. Its built-in value is the value its global holds before the options are read.
struct OPTION {
  const char *word;   // "nn=", ...
  OptionKind kind;
  void *target;       // the global the option sets
  uint32_t rules;     // OptionRule bits
  const char *help;   // one line
  int32_t *given = nullptr;     // set when the option is given (lists: to their length)
  double fill = 0;              // lists: the value of every round the list does not give
  const char *alias = nullptr;  // the word the help text uses instead, if any
};

extern const OPTION optionTable[];
extern const int optionCount;
// The table as a range.
inline std::span<const OPTION> Options() { return {optionTable, size_t(optionCount)}; }

// The rule texts of --describe and of the messages ("not negative", ...), in bit order.
const char *RuleText(OptionRule rule);

// The value of every round that the list option with this word does not give.
double ListFill(const char *word);

// The text after name in the first argument word (after the program name) that begins with name.
const char *FindArg(int argc, char **argv, const char *name);
// Stores the integer value of the option when given; false when it does not fit in 32 bits.
bool ParseArgInt(int argc, char **argv, const char *name, int32_t *out);
// Stores the real value of the option when given.
void ParseArgFloat(int argc, char **argv, const char *name, double *out);

// True when a word begins with "-h" or "--help".
bool HelpRequested(int argc, char **argv);
// Prints the help with prog in the usage line and ends the process with status 0.
[[noreturn]] void PrintHelp(const char *prog);

// Answers a help request, reads every option, validates the values and fills nine operation slots.
void ParseMainArgs(int argc, char **argv);
