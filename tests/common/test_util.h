// Helpers shared by the tests: running the real qrvl_sim binary, preparing the simulation state
// in-process from option words, and temporary files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SIM_RUN {
  int status;      // exit status, or -1 when the process did not exit normally
  int signal;      // the signal that ended the process, or 0
  std::string out, err;
  long peak_kib;   // the process's peak resident size
};

// Where the simulator's standard output goes.
enum class OUTPUT {
  FILE,         // a file, read back into out
  MERGED,       // the same file as standard error (err holds both, out is empty)
  FULL,         // /dev/full: every write fails
  CLOSED,       // no standard output at all
  BROKEN_PIPE,  // a pipe nobody reads, with SIGPIPE ignored
};

// How to run the simulator: where its output goes, and signals to send once its standard error
// shows a text (the signals are sent one after the other, a little apart).
struct SIM_OPTIONS {
  OUTPUT output = OUTPUT::FILE;
  std::vector<int> signals = {};
  std::string signal_after = "# seed ";
};

// Runs qrvl_sim with the given words and collects its output, exit status and peak size.
SIM_RUN RunSim(const std::vector<std::string> &words, const SIM_OPTIONS &options = {});

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
