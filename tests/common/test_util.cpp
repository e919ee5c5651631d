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

namespace {

// A simulation with the option words read; the words are copied into its own memory, where its
// keyword options point.
std::unique_ptr<SIM> Parsed(const Words &words) {
  auto simulation = std::make_unique<SIM>();
  Words all{"qrvl_sim"};
  all.insert(all.end(), words.begin(), words.end());
  std::vector<char *> argv;
  for (const std::string &word : all) {
    char *copy = static_cast<char *>(MyMalloc(simulation->memory, word.size() + 1));
    argv.push_back(strcpy(copy, word.c_str()));
  }
  ParseMainArgs(*simulation, int(argv.size()), argv.data());
  return simulation;
}

std::unique_ptr<SIM> current;

// Made at the first file; a death test's child, which shares it, leaves it to its parent.
struct TEMP_DIRECTORY {
  std::string path = std::filesystem::temp_directory_path() / "qrvl_test_XXXXXX";
  pid_t owner = getpid();
  int serial = 0;
  TEMP_DIRECTORY() {
    if (!mkdtemp(path.data())) abort();
  }
  ~TEMP_DIRECTORY() {
    if (getpid() == owner) std::filesystem::remove_all(path);
  }
};

}  // namespace

std::unique_ptr<SIM> NewSimulation(const Words &words, uint32_t seed) {
  std::unique_ptr<SIM> simulation = Parsed(words);
  SeedGenerators(simulation->mt_rand, simulation->gsl_base_rand, true, seed);
  InitSimVars(*simulation);
  return simulation;
}

SIM &PrepareSimulation(const Words &words, uint32_t seed) {
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
  static TEMP_DIRECTORY directory;
  std::string path = directory.path + "/" + std::to_string(directory.serial++) + ".txt";
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
