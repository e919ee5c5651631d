// The command-line options: one table of option words, value kinds, target globals and built-in
// values, read by one loop; the argument lookup and conversion helpers; the parser and the help.
#pragma once

#include <cstdint>

enum OptionKind {
  OPT_INT,       // [i] and [b]: a 32-bit integer, converted like atol
  OPT_REAL,      // [f]: a double, converted like atof
  OPT_FORCENS,   // [b] that, when nonzero, captures ns as read so far
  OPT_LIST,      // per-round list of doubles; its length sets ns
  OPT_FILE,      // codebook or classes file
  OPT_SCHEDULE,  // node-count schedule "i:nn[,i:nn...]"
  OPT_KEYWORD,   // pointer to the value text
  OPT_SEED,      // unsigned 32-bit seed of both generators
};

struct OPTION {
  const char *word;  // "nn=", ...; null for a global with a built-in value and no option word
  OptionKind kind;
  void *target;      // the global the option sets
  double number;     // built-in value of a number; per-round value of a list
  const char *text;  // built-in value of a keyword
  int32_t *given;    // lists: where their given length is recorded
};

extern const OPTION optionTable[];
extern const int optionCount;

// Gives every option global its built-in value.
void ApplyBuiltinOptions();
// The built-in number of the option with this word.
double OptionBuiltin(const char *word);

// The text after name in the first argument word (after the program name) that begins with name.
const char *FindArg(int argc, char **argv, const char *name);
// Converts text like atol; false when the value does not fit in 32 bits (*out then unchanged).
bool ReadInt32(const char *text, int32_t *out);
// Stores the integer value of the option when given; false when it does not fit in 32 bits.
bool ParseArgInt(int argc, char **argv, const char *name, int32_t *out);
// Stores the real value of the option when given.
void ParseArgFloat(int argc, char **argv, const char *name, double *out);
// Splits comma-separated text into a new array of doubles (atof per field); *count gets the number
// of values, the number of commas plus one.
double *csvtof(const char *text, int32_t *count);

// Prints the help with prog in the usage line and ends the process with status 0.
[[noreturn]] void PrintHelp(const char *prog);

// Answers a help request, reads every option, validates the values and fills nine operation slots.
void ParseMainArgs(int argc, char **argv);
