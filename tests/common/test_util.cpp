// Test helpers: process runner, in-process set-up, temporary files and CSV splitting.
#include "test_util.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "config/options.h"
#include "config/setup.h"
#include "core/state.h"
#include "support/gsl_rand.h"
#include "support/mt_rand.h"

namespace {

std::string ReadAll(int fd) {
  std::string text;
  char buffer[65536];
  for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, size_t(n));
  return text;
}

std::string TempPath(const char *stem) {
  static int serial = 0;
  const char *dir = getenv("TMPDIR");
  std::ostringstream path;
  path << (dir ? dir : "/tmp") << "/qrvl_test_" << getpid() << "_" << serial++ << stem;
  return path.str();
}

std::vector<char *> Argv(std::vector<std::string> &words) {
  std::vector<char *> argv;
  for (std::string &word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  return argv;
}

}  // namespace

SIM_RUN RunSim(const std::vector<std::string> &words) {
  std::string out_path = TempPath(".out"), err_path = TempPath(".err");
  std::vector<std::string> all{QRVL_SIM_BINARY};
  all.insert(all.end(), words.begin(), words.end());
  std::vector<char *> argv = Argv(all);
  pid_t child = fork();
  if (child == 0) {
    int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(out, 1);
    dup2(err, 2);
    execv(QRVL_SIM_BINARY, argv.data());
    _exit(127);
  }
  int wstatus = 0;
  waitpid(child, &wstatus, 0);
  SIM_RUN result;
  result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
  int out = open(out_path.c_str(), O_RDONLY), err = open(err_path.c_str(), O_RDONLY);
  result.out = ReadAll(out);
  result.err = ReadAll(err);
  close(out);
  close(err);
  unlink(out_path.c_str());
  unlink(err_path.c_str());
  return result;
}

void ParseWords(const std::vector<std::string> &words) {
  static std::vector<std::string> kept;  // keyword options point into the words
  kept = {"qrvl_sim"};
  kept.insert(kept.end(), words.begin(), words.end());
  ResetState();
  std::vector<char *> argv = Argv(kept);
  ParseMainArgs(int(kept.size()), argv.data());
}

void PrepareSimulation(const std::vector<std::string> &words, uint32_t seed) {
  ParseWords(words);
  SetupRandGSL();
  init_genrand(seed);
  SeedRandGSL(seed + 1);
  InitSimVars();
}

std::string WriteTempFile(const std::string &contents) {
  std::string path = TempPath(".txt");
  std::ofstream(path, std::ios::binary) << contents;
  return path;
}

std::vector<std::string> Lines(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
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
