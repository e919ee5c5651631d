// Test helpers: in-process set-up, per-test temporary files and text splitting.
#include "test_util.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "config/options.h"
#include "config/setup.h"
#include "core/state.h"
#include "support/alloc.h"
#include "support/seeding.h"

namespace {

// The running test's temporary directory, made when first needed and removed when the test ends.
class TempDirectory : public testing::EmptyTestEventListener {
 public:
  static std::string NewPath(const char *suffix) {
    if (dir_.empty()) {
      std::string pattern = std::filesystem::temp_directory_path() / "qrvl_test_XXXXXX";
      if (!mkdtemp(pattern.data())) abort();
      dir_ = pattern;
    }
    return dir_ + "/" + std::to_string(serial_++) + suffix;
  }
  void OnTestEnd(const testing::TestInfo &) override {
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
    dir_.clear();
  }

 private:
  static inline std::string dir_;
  static inline int serial_ = 0;
};

const bool kTempDirectoriesInstalled = [] {
  testing::UnitTest::GetInstance()->listeners().Append(new TempDirectory);
  return true;
}();

// A simulation with the option words read; the words are copied into its own memory, where its
// keyword options point.
std::unique_ptr<SIM> Parsed(const Words &words) {
  auto simulation = std::make_unique<SIM>();
  std::vector<char *> argv;
  Words all{"qrvl_sim"};
  all.insert(all.end(), words.begin(), words.end());
  for (const std::string &word : all) {
    char *copy = static_cast<char *>(MyMalloc(simulation->memory, word.size() + 1));
    argv.push_back(strcpy(copy, word.c_str()));
  }
  ParseMainArgs(*simulation, int(argv.size()), argv.data());
  return simulation;
}

std::unique_ptr<SIM> &Current() {
  static std::unique_ptr<SIM> current;
  return current;
}

}  // namespace

std::unique_ptr<SIM> NewSimulation(const Words &words, uint32_t seed) {
  std::unique_ptr<SIM> simulation = Parsed(words);
  SIM &S = *simulation;
  SeedGenerators(S.mt_rand, S.gsl_base_rand, true, seed);
  InitSimVars(S);
  return simulation;
}

SIM &PrepareSimulation(const Words &words, uint32_t seed) {
  Current().reset();
  return *(Current() = NewSimulation(words, seed));
}

SIM &ParseWords(const Words &words) {
  Current().reset();
  return *(Current() = Parsed(words));
}

std::string WriteTempFile(const std::string &contents) {
  std::string path = TempDirectory::NewPath(".txt");
  std::ofstream(path, std::ios::binary) << contents;
  return path;
}

std::string ReadFile(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

std::vector<std::string> Lines(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

Words Split(const std::string &line) {
  Words words;
  std::istringstream stream(line);
  for (std::string word; stream >> word;) words.push_back(word);
  return words;
}

std::vector<std::string> Fields(const std::string &line) {
  std::vector<std::string> fields;
  std::istringstream stream(line);
  for (std::string field; std::getline(stream, field, ',');) {
    size_t start = field.find_first_not_of(' ');
    fields.push_back(start == std::string::npos ? "" : field.substr(start));
  }
  return fields;
}
