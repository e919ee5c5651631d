// Command-line tests of the help: every form of help word prints the banner, the credits, the usage
// line and the option help with the built-in values on standard output and ends with status 0.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/test_util.h"

namespace {

// The option help as the user sees it, with the built-in values in place.
const char *const kOptionHelp =
    "Where OPTION can be: \n"
    "\n"
    "fast        [b] Use fast version; up to 50% but typically only 15-20% faster [0]\n"
    "                Note: only very basic results will be available when fast=1\n"
    "nn          [i] Number of active nodes [5]\n"
    "nf          [i] Number of subcarriers [6] \n"
    "                Note: this is ignored if you use a codebook (and classes)\n"
    "repeat      [i] Number of repetitions of the same subcarrier set [1] \n"
    "                Note: this is ignored if you use a codebook (and classes)\n"
    "ns          [i] Number of rounds or rounds (slot-pairs) [3]\n"
    "                Tip: use a large ns value if you want to visualize the PDF/CDF\n"
    "                of the EOC round nr (needs pdf_rounds=1 as well in that case)\n"
    "refs        [i] Number of initial referees [1] \n"
    "pt          [s] pt vector (comma sepparated) \n"
    "                Default value is 0.5 for al ns rounds\n"
    "tau         [s] tau vector (comma sepparated) for having the subcarriers\n"
    "                geometrically distributed rather than uniform\n"
    "                Note1: if tau=0.0 (default for all ns rounds) then a uniform\n"
    "                distribution is used rather than geometric\n"
    "                Note2: It is advised to leave this on 0.0 if you enable FSF\n"
    "runs        [i] Number of iterations [10000]\n"
    "B           [i] Channel bitrate in bits/s [6000000]\n"
    "DATA        [i] Data frame size in bits [8184]\n"
    "APP         [i] Application header in bits [0]\n"
    "ts          [f] Contention/feedback slot duration in sec [8e-06]\n"
    "sifs        [f] The SIFS in sec [1.6e-05]\n"
    "difs        [f] The DIFS in sec [0]\n"
    "min_frames  [i] Stop after this many transmitted frames (0 to disable) [0]\n"
    "max_time    [i] Stop after this many miliseconds (0 to disable) [0]\n"
    "pdf_nodes   [b] Show nodes PDF (successful frames per node) [0]\n"
    "pdf_rounds  [b] Show rounds PDF (termination probability per round) [0]\n"
    "pdf_tx_wait [b] Show tx_wait PDF (waiting times histogram) [0]\n"
    "tx_wait_hist_size\n"
    "            [i] Memory allocated for the 'tx_wait' histogram array [65536]\n"
    "                Increase this if you get 'tx_wait' memory allocation errors\n"
    "no_feedback [b] do not use feedback slots\n"
    "no_rts      [b] whether to deactivate RTS/CTS\n"
    "                0 - do not disable RTS/CTS\n"
    "                1 - disable RTS/CTS and use fixed size data frames\n"
    "                2 - disable RTS/CTS and use variable size data frames\n"
    "type        [i] variant for the probability of transmission pt \n"
    "                1 - specified by csv list by pt=x[,y[,..]] option\n"
    "                2 - exp \n"
    "                3 - double_exp \n"
    "                4 - polynomial \n"
    "backoff     [b] use backoff version (disabled) \n"
    "stage_max   [i] maximum backoff stage for the backoff version (disabled) \n"
    "jumpstart   [f] jumpstart multiply factor for type 1 and 2 \n"
    "pt          [s] csv list of pt values pt=x[,y[,..]\n"
    "                Note that the value for ns will be inferred from this \n"
    "pt_start    [f] minimum pt for type 4 \n"
    "pt_end      [f] maximum pt for type 4 \n"
    "pt_exp      [f] exponent for type 4 \n"
    "stage_max   [i] maximum backoff stage for the backoff version (not impl) \n"
    "\n"
    "adaptive    [b] enable adaptive version [0]\n"
    "ad_size     [i] the size (nr of samples) of the adaptive filter [10]\n"
    "ad_memory   [f] memory of the adaptive filter [0.1]\n"
    "ad_levels   [i] nr of adjustment levels for the pt function [256]\n"
    "                if linear then adjust pt_start\n"
    "ad_pt_min   [f] min value for pt_start for the linear adapt version [0.01]\n"
    "ad_var      [f] max variance from the current estimate (curr_est) [0]\n"
    "                If ad_var > 0, this will truncate new samples so that\n"
    "                curr_est*(1-ad_var) < new_sample < curr_est*(ad_var+1)\n"
    "ad_avg_type [i] variant for the moving average type [0]\n"
    "                0 - none (all samples are equally important)\n"
    "                1 - linear (old samples are less important)\n"
    "                2 - inverse linear (old samples are more important)\n"
    "                3 - exponential (old samples are less important)\n"
    "                4 - inverse exponential (old samples are more important)\n"
    "ad_runs     [s] Syntax: ad_runs=i:nn[,i:nn[,i:nn[,..]]]\n"
    "                Change the number of active nodes to nn at iteration i\n"
    "                Example: ad_runs=500:2,1000:20,1700:15\n"
    "\n"
    "fsf_type    [i] FSF type [none]\n"
    "                none - No fading, perfect channel\n"
    "                num  - Fixed/specified number of subcarriers (see fsf_num)\n"
    "                bin  - Binomial, each subcarrier has the same prop of being faded\n"
    "                       (see fsf_prob)\n"
    "                geom - Geometric, the number of faded subcarriers follows a\n"
    "                       geometric distribution with parameter tau (see fsf_tau)\n"
    "                rssi - Rayleigh RSSI fading RSSI with average rssi_avg\n"
    "\n"
    "rssi_avg    [f] Average RSSI in dBm for subcarriers for the 'rssi' fsf_type\n"
    "rssi_min    [f] Minimum RSSI in dBm for subcarriers for the 'rssi' fsf_type\n"
    "rssi_thresh [f] Detection threshold RSSI in dBm for the 'rssi' fsf_type\n"
    "fsf_num     [i] Number of subcarriers to fade for fixed fsf_type; the ones to\n"
    "                be faded will be randomly selected\n"
    "fsf_prob    [f] Probability for binomial fsf_type; each subcarrier is faded\n"
    "                independently with this probability\n"
    "fsf_tau     [f] Geometric distribution parameter for the geometric fsf_type;\n"
    "                i.e. the number of faded subcarriers will be a random number\n"
    "                sampled from from a geometric distribution with parameter\n"
    "                fsf_tau (fsf_tau=1.0 means no fading while fsf_tau=0.0 means\n"
    "                uniform distribution i.e. 0 subcarriers faded is as likely as\n"
    "                1, 2 ... or all subcarriers faded)\n"
    "fsf_fbk     [i] Feedback type [class]\n"
    "                class  - Closest class\n"
    "                hamm74 - Hamming(7,4)\n"
    "                perf   - Perfect feedback channel (with class coding on forward)\n"
    "codebook    [s] Syntax: codebook=filename\n"
    "                The file should contain codewords, one per line, in binary\n"
    "                string representation\n"
    "classes     [s] Syntax: classes=filename\n"
    "                Same as for 'codebook'\n"
    "\n"
    "debug       [i] debug level [2]\n"
    "                Note that a debug level includes all lower ones\n"
    "                0 - no debug output, just the csv results\n"
    "                1 - output the csv header\n"
    "                2 - output global stopwatch information\n"
    "                4 - output per-iteration info when adaptive=1\n";

std::string ExpectedUsageAndOptions() {
  return std::string("Usage: ") + QRVL_SIM_BINARY + " OPTION=VALUE [OPTION=VALUE ...]\n\n" +
         kOptionHelp;
}

const char *const kBanner = "\nQRVL Simulator v2.3.234\n";

// The credits are a name with a contact address, then a web address, then an empty line.
bool CreditsHaveTheirShape(const std::string &credits) {
  std::vector<std::string> lines = Lines(credits);
  if (lines.size() != 3 || !credits.ends_with("\n\n") || !lines[2].empty()) return false;
  const std::string &by = lines[0], &web = lines[1];
  size_t open = by.find(" <"), at = by.find('@');
  bool name = by.starts_with("by ") && open != std::string::npos && open > 3;
  bool contact = at != std::string::npos && at > open + 2 && by.ends_with(">") &&
                 at + 2 < by.size() && by.find(' ', open + 1) == std::string::npos;
  return name && contact && !web.empty() && web.find(' ') == std::string::npos;
}

void ExpectHelp(const SIM_RUN &run) {
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  const std::string &out = run.out;
  ASSERT_EQ(out.substr(0, strlen(kBanner)), kBanner);
  size_t usage = out.find("Usage: ");
  ASSERT_NE(usage, std::string::npos);
  std::string credits = out.substr(strlen(kBanner), usage - strlen(kBanner));
  EXPECT_TRUE(CreditsHaveTheirShape(credits)) << credits;
  EXPECT_EQ(out.substr(usage), ExpectedUsageAndOptions());
}

TEST(Help, EveryFormOfHelpWordPrintsTheWholeHelp) {
  for (const char *word : {"-h", "-hx", "-help", "-hello", "--help", "--helpme"}) {
    SCOPED_TRACE(word);
    ExpectHelp(RunSim({word}));
  }
}

TEST(Help, AfterOtherOptionsShowsTheBuiltinValuesNotTheGivenOnes) {
  ExpectHelp(RunSim({"nn=9", "nf=12", "repeat=2", "ns=7", "runs=5", "B=1000", "difs=0.5",
                     "tx_wait_hist_size=10", "-h"}));
  ExpectHelp(RunSim({"ts=1", "sifs=2", "pdf_slots=1", "--help"}));
}

TEST(Help, IsAnsweredBeforeAnyOptionIsReadOrChecked) {
  ExpectHelp(RunSim({"nn=0", "fsf_type=bogus", "repeat=0", "-h"}));
  ExpectHelp(RunSim({"codebook=/nonexistent/codebook.txt", "ad_runs=garbage", "--help"}));
  ExpectHelp(RunSim({"nn=99999999999", "tau=7", "-help"}));
}

TEST(Help, WordsThatMerelyResembleAHelpRequestAreIgnored) {
  for (const char *word : {"-H", "help", "--hel", "x-h", "-", "---help"}) {
    SCOPED_TRACE(word);
    SIM_RUN run = RunSim({word, "runs=20", "debug=0"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.find("Usage"), std::string::npos);
    EXPECT_EQ(Lines(run.out).size(), 1u) << run.out;
  }
}

}  // namespace
