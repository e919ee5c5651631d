// What every test uses: GoogleTest, the simulation state prepared in-process from option words,
// scripted generator words, files in a temporary directory of the process, and the data tables.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/state.h"

using Words = std::vector<std::string>;
using V = std::vector<double>;

// A new simulation from option words, as the program makes it: the words read, both generators
// seeded from seed and the set-up run. The words live as long as the simulation (keyword options
// point into them).
std::unique_ptr<SIM> NewSimulation(const Words &words, uint32_t seed = 1);
// The same, kept until the next call: the test's current simulation.
SIM &PrepareSimulation(const Words &words, uint32_t seed = 1);

// Queues the draws of survivors that, in draw order, send the given codeword index or stay quiet
// (kQuiet), after the raw words given first (channel draws); returns the number of words.
const int32_t kQuiet = -1;
size_t Script(SIM &S, const std::vector<int32_t> &picks, std::vector<uint32_t> words = {});

// Writes contents to a new file in the process's temporary directory, which goes when the process
// that made it ends, and returns its path.
std::string WriteTempFile(const std::string &contents);
// The lines of tests/data/name that are neither empty nor comments (from '#').
std::vector<std::string> DataRows(const std::string &name);
// A line's blank-separated words.
Words Split(const std::string &line);
