// Test helpers: in-process set-up, per-test temporary files and text splitting.
#include "test_util.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "config/options.h"
#include "config/setup.h"
#include "core/state.h"
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

std::vector<char *> Argv(std::vector<std::string> &words) {
  std::vector<char *> argv;
  for (std::string &word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  return argv;
}

}  // namespace

void ParseWords(const Words &words) {
  static std::vector<std::string> kept;  // keyword options point into the words
  kept = {"qrvl_sim"};
  kept.insert(kept.end(), words.begin(), words.end());
  ResetState();
  std::vector<char *> argv = Argv(kept);
  ParseMainArgs(int(kept.size()), argv.data());
}

void PrepareSimulation(const Words &words, uint32_t seed) {
  ParseWords(words);
  SeedGenerators(true, seed);
  InitSimVars();
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
