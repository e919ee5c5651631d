// Helpers shared by the tests: preparing the simulation state in-process from option words, files
// in a temporary directory of the test's own, and text splitting.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using Words = std::vector<std::string>;

// Resets the state, reads the option words as the program would, seeds both generators from seed
// and runs the set-up. The words are kept alive (keyword options point into them).
void PrepareSimulation(const Words &words, uint32_t seed = 1);
// Resets the state and reads the option words only (no set-up).
void ParseWords(const Words &words);

// Writes contents to a new file in the running test's temporary directory, which goes at the
// test's end, and returns its path.
std::string WriteTempFile(const std::string &contents);
// The whole contents of a file.
std::string ReadFile(const std::string &path);

// Splits text into lines (without their line ends), a line into its blank-separated words, a
// comma-separated line into its fields (blanks after commas removed).
std::vector<std::string> Lines(const std::string &text);
Words Split(const std::string &line);
std::vector<std::string> Fields(const std::string &line);
