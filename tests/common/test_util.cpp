// Test helpers: in-process set-up, scripted draws, temporary files and data tables.
#include "common/test_util.h"

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "config/options.h"
#include "config/setup.h"
#include "support/seeding.h"

std::unique_ptr<SIM> NewSimulation(const Words &words, uint32_t seed) {
  auto simulation = std::make_unique<SIM>();
  std::vector<char *> argv;  // copied into the simulation's memory, where keyword options point
  for (size_t i = 0; i <= words.size(); i++) {
    const std::string word = i ? words[i - 1] : "qrvl_sim";
    argv.push_back(
        strcpy(static_cast<char *>(MyMalloc(simulation->memory, word.size() + 1)), word.c_str()));
  }
  ParseMainArgs(*simulation, int(argv.size()), argv.data());
  simulation->seed = SeedGenerators(simulation->mt_rand, simulation->gsl_base_rand, true, seed);
  InitSimVars(*simulation);
  return simulation;
}

SIM &PrepareSimulation(const Words &words, uint32_t seed) {
  static std::unique_ptr<SIM> current;
  current.reset();
  return *(current = NewSimulation(words, seed));
}

size_t Script(SIM &S, const std::vector<int32_t> &picks, std::vector<uint32_t> words) {
  for (int32_t idx : picks)
    if (idx == kQuiet)
      words.push_back(UINT32_MAX);
    else
      words.insert(words.end(), {0u, uint32_t(idx) * (UINT32_MAX / uint32_t(S.codewords.count))});
  QueueGenRandWords(S.mt_rand, words.data(), words.size());
  return words.size();
}

std::string WriteTempFile(const std::string &contents) {
  // The process's directory, made at the first file and removed at exit by the process that made
  // it (a death test's child shares it and leaves it alone); the name is never destroyed.
  static const std::string &directory = *new std::string([] {
    std::string path = std::filesystem::temp_directory_path() / "qrvl_test_XXXXXX";
    if (!mkdtemp(path.data())) abort();
    static const pid_t owner = getpid();
    atexit([] {
      if (getpid() == owner) std::filesystem::remove_all(directory);
    });
    return path;
  }());
  static int serial = 0;
  const std::string path = directory + "/" + std::to_string(serial++) + ".txt";
  std::ofstream(path, std::ios::binary) << contents;
  return path;
}

std::vector<std::string> DataRows(const std::string &name) {
  std::vector<std::string> rows;
  std::ifstream file(QRVL_TEST_DATA "/" + name);
  for (std::string line; std::getline(file, line);)
    if (!line.empty() && line[0] != '#') rows.push_back(line.substr(0, line.find('#')));
  return rows;
}

Words Split(const std::string &line) {
  Words words;
  std::istringstream stream(line);
  for (std::string word; stream >> word;) words.push_back(word);
  return words;
}
