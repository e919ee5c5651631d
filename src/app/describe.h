// --describe: the simulator's interface as JSON, generated from the option table and the report's
// columns: the version line, every option (word, kind, built-in value, help line, other spellings,
// range rules) and the summary line's columns in order. Study tools read it.
#pragma once

#include <cstdio>

// Writes the description to out, from the option table and the report's columns.
void WriteDescription(FILE *out);
// Prints the description on standard output and ends the process with status 0.
[[noreturn]] void PrintDescription();
