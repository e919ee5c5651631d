// The program's ends through the real binary: results that could not be written fail with status 6,
// standard output comes before standard error, an interrupted run reports the sessions it made,
// and the requests that need no run; in-process, the signal handlers.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/interrupt.h"
#include "common/test_util.h"

namespace {

// The text between head and tail when text is head, that text and tail, with the text made of the
// given characters only; npos-like "" marks a mismatch as "?".
std::string Between(const std::string &text, const std::string &head, const std::string &tail,
                    const char *characters) {
  if (!text.starts_with(head) || !text.ends_with(tail) || text.size() < head.size() + tail.size())
    return "?";
  std::string middle = text.substr(head.size(), text.size() - head.size() - tail.size());
  if (middle.empty() || middle.find_first_not_of(characters) != std::string::npos) return "?";
  return middle;
}

const char *const kDigits = "0123456789";

const std::string kNote = "# Using default oblivious codebook of nf=6 bits repeated 1 times.\n";

// Every way of losing the results, for a run, the help and the requests: status 6, one line.
TEST(ProgramOutput, ResultsThatCouldNotBeWrittenFailWithStatus6) {
  const std::pair<OUTPUT, std::string> outputs[] = {
      {OUTPUT::FULL, "No space left on device"},
      {OUTPUT::CLOSED, "Bad file descriptor"},
      {OUTPUT::BROKEN_PIPE, "Broken pipe"},
  };
  const std::vector<std::vector<std::string>> commands = {
      {"seed=1", "runs=1000", "debug=0"}, {"seed=1", "runs=100", "nn=20000", "pdf_nodes=1",
                                           "debug=0"},
      {"-h"}, {"--version"}, {"--describe"}};
  for (const auto &[output, reason] : outputs)
    for (const auto &words : commands) {
      SIM_RUN run = RunSim(words, {.output = output});
      EXPECT_EQ(std::pair(run.status, run.err),
                std::pair(6, "Error: could not write the results: " + reason + "\n"))
          << words[0] << " " << int(output);
    }
  // The same runs with somewhere to write succeed.
  for (const auto &words : commands) EXPECT_EQ(RunSim(words).status, 0) << words[0];
}

// With both streams in one file, the results come out whole before the last diagnostics.
TEST(ProgramOutput, StandardOutputComesBeforeTheLastDiagnostics) {
  const SIM_RUN run = RunSim({"seed=5", "runs=300"}, {.output = OUTPUT::MERGED});
  const SIM_RUN apart = RunSim({"seed=5", "runs=300", "debug=1"});
  EXPECT_EQ(run.status, 0);
  ASSERT_TRUE(run.err.starts_with(kNote + "# seed 5\n" + apart.out)) << run.err;
  EXPECT_NE(Between(run.err.substr(kNote.size() + 9 + apart.out.size()), "// simtime ", " sec",
                    "0123456789.e+-"),
            "?")
      << run.err;
}

// A signal lets the session in progress finish: the report covers the sessions made, under each
// stop rule, and the status is 128 + the signal.
TEST(ProgramOutput, AnInterruptedRunReportsTheSessionsItMade) {
  const std::pair<std::string, int> cases[] = {
      {"runs=2000000000", SIGINT}, {"max_time=2000000000", SIGTERM},
      {"min_frames=2000000000", SIGHUP}};
  for (const auto &[stop, signal_number] : cases) {
    SIM_RUN run = RunSim({"seed=3", "debug=1", "progress=0", stop},
                         {.signals = {signal_number}, .signal_after = ""});
    EXPECT_EQ(run.status, 128 + signal_number) << stop << run.err;
    const std::string made = Between(run.err, "# interrupted after ", " sessions\n", kDigits);
    ASSERT_NE(made, "?") << run.err;
    std::vector<std::string> summary = Fields(Lines(run.out).at(1));
    EXPECT_EQ(summary.at(0), made) << stop;
    const double Ps = std::stod(summary.at(12)) / std::stod(summary.at(0));  // successes / runs
    EXPECT_NEAR(std::stod(summary.at(14)), Ps, 1e-5 * Ps) << stop;
  }
}

// The first signal is noted for the loop; a second one ends the process with the signal at once.
TEST(InterruptDeathTest, TheFirstSignalIsNotedAndASecondEndsTheProcess) {
  EXPECT_EXIT(
      {
        CatchInterrupts();
        raise(SIGTERM);
        exit(interrupt_signal == SIGTERM ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
  EXPECT_EXIT(
      {
        CatchInterrupts();
        raise(SIGINT);
        raise(SIGHUP);
        exit(0);
      },
      testing::KilledBySignal(SIGHUP), "");
}

// The seed line lets a clock-seeded run be repeated; --version needs no run.
TEST(ProgramOutput, SeedLineRepeatsAClockSeededRunAndVersionNeedsNoRun) {
  const SIM_RUN clock = RunSim({"runs=500", "fsf_type=rssi", "debug=2"});
  const std::string seed = Between(Lines(clock.err).at(1) + "\n", "# seed ", "\n", kDigits);
  ASSERT_NE(seed, "?") << clock.err;
  EXPECT_EQ(RunSim({"runs=500", "fsf_type=rssi", "seed=" + seed}).out, clock.out);
  const SIM_RUN version = RunSim({"--version", "nn=0"});
  const std::string line = "qrvl_sim 2.3 (build 234)";
  EXPECT_TRUE(version.out == line + "\n" || version.out.starts_with(line + " revision "))
      << version.out;
  EXPECT_EQ(std::pair(version.status, version.err), std::pair(0, std::string()));
  EXPECT_EQ(RunSim({"--version", "-h"}).out.substr(0, 25), "\nQRVL Simulator v2.3.234\n");
}

// A basic run keeps no node-pair tables: its peak size does not grow with nn squared (3.1 GB at
// nn 20000 before), while a received-power session's failed allocation names its true size.
TEST(ProgramOutput, LargeRunsAllocateWhatTheySessionReads) {
  const SIM_RUN basic = RunSim({"nn=20000", "runs=20", "seed=1", "debug=0"});
  EXPECT_EQ(basic.status, 0);
  EXPECT_LT(basic.peak_kib, 256 * 1024);
  const SIM_RUN pairs = RunSim({"adhoc=1", "nn=2000000", "runs=1", "debug=0"});
  EXPECT_EQ(pairs.status, 1);
  EXPECT_TRUE(pairs.err.ends_with(  // after a warning of the sanitizers' allocator, if any
      "Error: Could not calloc'ate 4000000000000 chunks of 8 bytes of memory. Aborting ...\n"))
      << pairs.err;
}

}  // namespace
