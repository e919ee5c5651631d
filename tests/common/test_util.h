// Helpers shared by the tests: preparing the simulation state in-process from option words, files
// in a temporary directory of the test's own, and text splitting.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/state.h"

using Words = std::vector<std::string>;

// A new simulation from option words, as the program makes it: the words read, both generators
// seeded from seed and the set-up run. The words live as long as the simulation (keyword options
// point into them).
std::unique_ptr<SIM> NewSimulation(const Words &words, uint32_t seed = 1);
// The same, kept until the next call: the test's current simulation.
SIM &PrepareSimulation(const Words &words, uint32_t seed = 1);
// A new current simulation with the option words read only (no set-up).
SIM &ParseWords(const Words &words);

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
