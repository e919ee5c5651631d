// Helpers shared by the tests: running the real qrvl_sim binary, preparing the simulation state
// in-process from option words, and temporary files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SIM_RUN {
  int status;  // exit status, or -1 when the process did not exit normally
  std::string out, err;
};

// Runs qrvl_sim with the given words and collects its output and exit status.
SIM_RUN RunSim(const std::vector<std::string> &words);

// Resets the state, reads the option words as the program would, seeds both generators from seed
// and runs the set-up. The words must outlive the state (keyword options point into them).
void PrepareSimulation(const std::vector<std::string> &words, uint32_t seed = 1);
// Resets the state and reads the option words only (no set-up).
void ParseWords(const std::vector<std::string> &words);

// Writes contents to a new temporary file and returns its path.
std::string WriteTempFile(const std::string &contents);

// Splits text into lines (without their line ends).
std::vector<std::string> Lines(const std::string &text);
// Splits a comma-separated line into its fields (blanks after commas removed).
std::vector<std::string> Fields(const std::string &line);
