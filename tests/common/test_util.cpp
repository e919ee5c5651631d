// Test helpers: process runner, in-process set-up, temporary files and CSV splitting.
#include "test_util.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "config/options.h"
#include "config/setup.h"
#include "core/state.h"
#include "support/seeding.h"

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

namespace {

// Standard output of the child as the options ask; the file's path when it is one.
void RedirectOutput(OUTPUT output, const std::string &out_path, int err, int pipe_end) {
  switch (output) {
    case OUTPUT::FILE: dup2(open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1); break;
    case OUTPUT::MERGED: dup2(err, 1); break;
    case OUTPUT::FULL: dup2(open("/dev/full", O_WRONLY), 1); break;
    case OUTPUT::CLOSED: close(1); break;
    case OUTPUT::BROKEN_PIPE:
      signal(SIGPIPE, SIG_IGN);  // stays ignored across exec
      dup2(pipe_end, 1);
      break;
  }
}

// Reads the child's standard error until it shows text, sends the signals, then reads the rest.
std::string ReadErrorAndSignal(int fd, pid_t child, const SIM_OPTIONS &options) {
  std::string text;
  char buffer[4096];
  for (size_t sent = 0;;) {
    for (; sent < options.signals.size() && text.find(options.signal_after) != std::string::npos;
         sent++) {
      usleep(20000);
      kill(child, options.signals[sent]);
    }
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) return text;
    text.append(buffer, size_t(n));
  }
}

}  // namespace

SIM_RUN RunSim(const std::vector<std::string> &words, const SIM_OPTIONS &options) {
  std::string out_path = TempPath(".out");
  std::vector<std::string> all{QRVL_SIM_BINARY};
  all.insert(all.end(), words.begin(), words.end());
  std::vector<char *> argv = Argv(all);
  int err_pipe[2], out_pipe[2];
  if (pipe(err_pipe) != 0 || pipe(out_pipe) != 0) abort();
  pid_t child = fork();
  if (child == 0) {
    close(err_pipe[0]);
    close(out_pipe[0]);
    RedirectOutput(options.output, out_path, err_pipe[1], out_pipe[1]);
    dup2(err_pipe[1], 2);
    execv(QRVL_SIM_BINARY, argv.data());
    _exit(127);
  }
  close(err_pipe[1]);
  close(out_pipe[0]);
  close(out_pipe[1]);  // nobody reads the pipe: a broken pipe for the child
  SIM_RUN result{};
  result.err = ReadErrorAndSignal(err_pipe[0], child, options);
  close(err_pipe[0]);
  int wstatus = 0;
  rusage usage{};
  wait4(child, &wstatus, 0, &usage);
  result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
  result.signal = WIFSIGNALED(wstatus) ? WTERMSIG(wstatus) : 0;
  result.peak_kib = usage.ru_maxrss;
  if (options.output == OUTPUT::FILE) {
    int out = open(out_path.c_str(), O_RDONLY);
    result.out = ReadAll(out);
    close(out);
    unlink(out_path.c_str());
  }
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
  SeedGenerators(true, seed);
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
