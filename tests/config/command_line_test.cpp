// The command line on the real program: the help, every rejection with its status and exact
// message and the first of several faults winning, option matching, lists, files, notes and seeds.
#include <gtest/gtest.h>

#include <algorithm>
#include <bitset>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "common/test_util.h"

namespace {

using Words = std::vector<std::string>;

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

// The words of a command line; "#CxW" stands for a file of C words of W bits: 1, 2, 3, ...
Words Command(const std::string &line) {
  Words words;
  std::istringstream in(line);
  for (std::string word; in >> word; words.push_back(word))
    if (size_t hash = word.find('#'); hash != std::string::npos) {
      std::string text;
      for (int w = 1, width = std::stoi(word.substr(word.find('x') + 1));
           w <= std::stoi(word.substr(hash + 1)); w++)
        text += std::bitset<32>(w).to_string().substr(32 - width) + "\n";
      word = word.substr(0, hash) + WriteTempFile(text);
    }
  return words;
}

TEST(CommandLine, EveryHelpWordPrintsTheWholeHelpWithTheBuiltinValues) {
  for (const char *line :
       {"-h", "-hx", "--help", "--helpme",
        "nn=0 nf=12 repeat=2 ns=7 refs=2 runs=5 B=1000 DATA=1 APP=3 ts=1 sifs=2 difs=0.5 "
        "min_frames=3 max_time=4 pdf_nodes=1 pdf_slots=1 pdf_tx_wait=1 tx_wait_hist_size=10 fast=1 "
        "fsf_type=bogus codebook=/nonexistent/c ad_runs=junk tau=7 -hello"}) {
    SIM_RUN run = RunSim(Command(line));
    size_t usage = run.out.find("Usage: ");        // npos throws below
    Words head = Lines(run.out.substr(0, usage));  // banner, "by NAME <ADDRESS>", web address
    EXPECT_TRUE(head.size() == 5 && head[1] == "QRVL Simulator v2.3.234" && head[4].empty() &&
                head[2].starts_with("by ") && head[2].ends_with(">") && !head[3].empty() &&
                head[2].find(" <") < head[2].find('@') && head[3].find(' ') == std::string::npos);
    EXPECT_EQ(run.status, 0) << line;
    EXPECT_EQ(run.err + run.out.substr(usage),  // nothing on standard error
              "Usage: " QRVL_SIM_BINARY " OPTION=VALUE [OPTION=VALUE ...]\n\n" +
                  std::string(kOptionHelp));
  }
}

TEST(CommandLine, RejectionsWriteOneMessageAndTheFirstFaultWins) {
  auto note = [](int nf, int repeat) {  // the default codebook's, from debug level 2
    return "# Using default oblivious codebook of nf=" + std::to_string(nf) + " bits repeated " +
           std::to_string(repeat) + " times.\n";
  };
  const std::string too_long = "Error: canot use more than nf=26 subcarriers.";
  auto invalid = [](const std::string &word, const std::string &what) {
    return "Error: " + word + " is invalid: " + what + ".\n";
  };
  const std::string kInt32 = "the value must be an integer from -2147483648 to 2147483647",
                    kSeed = "the value must be a decimal integer from 0 to 4294967295",
                    kFinite = "the value must be a finite number",
                    kPower = "the value must give a positive finite power";
  const std::string hamming =
      "Cannot use Hamming(7,4) feedback type; number of classes (17) is greater than 16.";
  // Status, standard error, command lines; several faults on a line report the first checked.
  const std::vector<std::tuple<int, std::string, Words>> cases = {
      // clang-format off
      {1, "Error: Invalid argument values. See " QRVL_SIM_BINARY " -h for usage.\n",
       {"nn=0", "runs=0", "B=0", "DATA=", "nf=0", "nn=abc", "nn=0 runs=-1 seed=x",
        "fsf_fbk=bad repeat=0 nn=0 tau=2"}},
      // The project's own range rules name the option and the value as given.
      {1, invalid("nn=-4", "the value must not be negative"), {"nn=-4", "nn=-4 runs=-1"}},
      {1, invalid("nf=-1", "the value must not be negative"), {"nf=-1"}},
      {1, invalid("ns=-2", "the value must not be negative"), {"ns=-2 forcens=1 pt=0.5"}},
      {1, invalid("runs=-5", "the value must not be negative"), {"runs=-5"}},
      {1, invalid("B=-6000000", "the value must not be negative"), {"B=-6000000 max_time=1"}},
      {1, invalid("DATA=-8184", "the value must not be negative"), {"DATA=-8184"}},
      {1, invalid("APP=-100000", "the value must not be negative"), {"APP=-100000"}},
      {1, invalid("tx_wait_hist_size=-1", "the value must not be negative"),
       {"tx_wait_hist_size=-1"}},
      {1, invalid("nn=2147483648", kInt32), {"nn=2147483648"}},
      {1, invalid("APP=-2147483649", kInt32), {"APP=-2147483649"}},
      {1, invalid("runs=99999999999999999999", kInt32), {"runs=99999999999999999999"}},
      {1, invalid("forcens=4294967297", kInt32), {"forcens=4294967297"}},
      {1, invalid("seed=4294967296", kSeed), {"seed=4294967296"}},
      {1, invalid("seed=-1", kSeed), {"seed=-1"}},
      {1, invalid("seed=abc", kSeed), {"seed=abc"}},
      {1, invalid("seed=7x", kSeed), {"seed=7x"}},
      {1, invalid("seed=", kSeed), {"seed="}},
      {1, invalid("ts=nan", kFinite), {"ts=nan"}},
      {1, invalid("sifs=inf", kFinite), {"sifs=inf"}},
      {1, invalid("difs=-1e400", kFinite), {"difs=-1e400"}},
      {1, invalid("fsf_prob=nan", kFinite), {"fsf_prob=nan"}},
      {1, invalid("rssi_thresh=nan", kFinite), {"rssi_thresh=nan"}},
      {1, invalid("pt=nan,0.5,0.5", "value 1 must be a finite number"), {"pt=nan,0.5,0.5"}},
      {1, invalid("pn=1,inf", "value 2 must be a finite number"), {"pn=1,inf"}},
      {1, invalid("tau=0.5,-0.1", "value 2 must lie in [0, 1]"), {"tau=0.5,-0.1 fsf_fbk=bad"}},
      {1, invalid("tau=1.0001", "value 1 must lie in [0, 1]"), {"tau=1.0001"}},
      {1, invalid("fsf_tau=nan", kFinite), {"fsf_tau=nan repeat=0"}},
      {1, invalid("fsf_tau=1.5", "the value must lie in [0, 1]"), {"fsf_tau=1.5"}},
      {1, invalid("ad_memory=-1", "the value must lie in [0, 1]"), {"ad_memory=-1"}},
      {1, invalid("ad_size=0", "the value must be at least 1 when adaptive is on"),
       {"adaptive=1 ad_size=0"}},
      {1, invalid("rssi_thresh=-5000", kPower), {"rssi_thresh=-5000"}},
      {1, invalid("rssi_min=-inf", kFinite), {"rssi_min=-inf"}},
      {1, invalid("rssi_avg=4000", kPower), {"rssi_avg=4000"}},
      {1, invalid("rssi_max=-3300", kPower), {"rssi_max=-3300"}},
      {1, invalid("progress=-1", "the value must not be negative"), {"progress=-1"}},
      // Durations that are not positive would stall or reverse the simulated clock.
      {1, "Error: B=6000000 DATA=8184 APP=0 ts=-1 sifs=1.6e-05 difs=-0.999984 no_rts=1 give "
          "sessions of -5.9985 s (success) and -5.9985 s (collision); both must be positive and "
          "finite.\n", {"max_time=1 ts=-1"}},
      {1, "Error: B=6000000 DATA=8184 APP=0 ts=8e-06 sifs=1e+308 difs=1e+308 no_rts=1 give "
          "sessions of inf s (success) and inf s (collision); both must be positive and "
          "finite.\n", {"sifs=1e308 debug=1"}},
      // A frame quota that no session can help to meet.
      {1, "Error: min_frames=3 can never be reached: every pt is at or below 0.\n",
       {"min_frames=3 pt=0,-1 debug=1", "min_frames=3 pt=0 centr=1 debug=1"}},
      {1, "Error: min_frames=1 can never be reached: sessions have no rounds.\n",
       {"min_frames=1 ns=0 debug=1"}},
      {1, "Error: min_frames=2 can never be reached: the ad hoc session needs two nodes, one to "
          "referee.\n", {"min_frames=2 adhoc=1 centr=1 nn=1 debug=1"}},
      {1, "Error: min_frames=2 can never be reached: a lone node without a dedicated referee is "
          "never heard.\n", {"min_frames=2 nn=1 refs=0 debug=1"}},
      {3, "Error: unrecognized feedback coding type 'classy'\n",
       {"fsf_fbk=classy", "repeat=0 fsf_type=worse fsf_fbk=classy"}},
      {3, "Error: unrecognized FSF type 'bin'\n", {"fsf_type=bin", "fsf_type=bin repeat=0"}},
      {3, "Error: The 'repeat' parameter needs to be > 0.", {"repeat=0", "repeat=-2 nf=30"}},
      {8, "Error: Codebook and classes length differ!\n",
       {"nn=0 codebook=#4x5", "classes=#4x5", "codebook=#4x5 classes=#3x3"}},
      {1, "Error: invalid ad_runs schedule '100:5,oops': expected i:nn[,i:nn[,..]] with integer "
          "iterations and node counts above 0.\n", {"nn=0 ad_runs=100:5,oops"}},
      {1, "Invalid pt type: 5\n", {"type=5", "type=5 nf=30"}},
      {2, "Heuristic pt values not tabled for ns = 4.\n", {"adaptive=1 ns=4 debug=1"}},
      {7, too_long,
       {"nf=9 repeat=3 debug=1", "nf=2147483647 debug=1", "codebook=#3x27 classes=#3x27"}},
      {7, note(9, 3) + too_long, {"nf=9 repeat=3 debug=3"}},
      {5, note(17, 1) + hamming, {"nf=17 fsf_fbk=hamm74"}},
      {5, hamming, {"nf=17 fsf_fbk=HAMM74 debug=1", "fsf_fbk=hamm74 codebook=#4x5 classes=#17x5"}},
      {0, note(2, 1) + "codewords[ 0] =    1 (   01)\ncodewords[ 1] =    2 (   10)\n"
          "classes[ 0] =    1 (   01)\nclasses[ 1] =    2 (   10)\n"
          "word=   0 (   00) --> refword= 0 (   00) --> refclass= 0 (   00)\n"
          "word=   1 (   01) --> refword= 0 (   01) --> refclass= 0 (   01)\n"
          "word=   2 (   10) --> refword= 1 (   10) --> refclass= 1 (   10)\n"
          "word=   3 (   11) --> refword= 1 (   10) --> refclass= 1 (   10)\n",
       {"nf=2 debug=3", "nf=2 debug=4"}},
      // clang-format on
  };
  for (const auto &[status, err, lines] : cases)
    for (const std::string &line : lines) {
      SIM_RUN run = RunSim(Command(line));
      EXPECT_EQ(std::tuple(run.status, run.err, run.out), std::tuple(status, err, "")) << line;
    }
  // The dump comes before the Hamming(7,4) class limit: 2 codewords, 17 classes, 32 table lines.
  SIM_RUN run = RunSim(Command("fsf_fbk=hamm74 debug=3 codebook=#2x5 classes=#17x5"));
  EXPECT_EQ(std::pair(run.status, Lines(run.err).size()), std::pair(0, size_t(51))) << run.err;
}

TEST(CommandLine, AcceptedWordsGiveTheValuesTheRunReports) {
  const std::pair<const char *, const char *> cases[] = {
      // clang-format off
      // Command line (runs=50 debug=1 follow unless it is empty), then summary columns.
      {"", "runs=10000 B=6000000 DATA=8184 APP=0 sifs=1.6e-05 difs=2.4e-05 ts=8e-06 nn=5 refs=1 "
           "nf=6 ns=3 min_frames=0 fsf_num=1 fsf_prob=0.1 fsf_tau=0.75 rssi_min=-99 rssi_max=-52 "
           "rssi_avg=-62 rssi_thresh=-82 pt[2]=0.5 tau[2]=0 pn[2]=1"},
      {"-H help --hel x-h xnn=8 NN=7 nn=+6x nn=0 nn=99999999999 data=7000 DATA=8000 b=1000 app=64 "
       "APP=32 runs=1e6 ts=1e-5 difs=abc",
       "nn=6 DATA=8000 B=6000000 APP=32 runs=1 ts=1e-05 difs=2.6e-05"},
      {"ns=8 forcens=0 pt=0.4,0.3", "ns=2 pt[0]=0.4 pt[1]=0.3 tau[1]=0 pn[1]=1"},
      {"ns=8 forcens=1 pt=0.4,0.3", "ns=8 pt[1]=0.3 pt[2]=0.5 pt[7]=0.5 tau[7]=0 pn[7]=1"},
      {"forcens=1 pt=0.1 pn=0.9,0.8,0.7,0.6", "ns=3 pt[0]=0.1 pt[2]=0.5 pn[2]=0.7"},
      {"tau=0.5 pw=0.1,0.2,0.3 pt=0.4,0.3", "ns=1 pt[0]=0.4 tau[0]=0.5"},  // tau read last,
      {"pw=0.1,0.2 pn=0.9,0.8,0.7 pt=0.2", "ns=2 pt[0]=0.2 pt[1]=0.5 pn[1]=0.8"},  // then pw
      {"pt=", "ns=1 pt[0]=0 successes=0"},
      {"fsf_type=GEOM fsf_fbk=HAMM74 fsf_tau=0 tau=0,1,0.5", "fsf_tau=0 tau[1]=1"},
      {"fsf_type=Rssi fsf_fbk=Perf fsf_tau=1 nf=17", "fsf_tau=1 nf=17"},
      {"nf=20 codebook=#4x5 classes=#2x5", "nf=5"},
      {"repeat=9 codebook=#4x5 classes=#16x5 fsf_fbk=hamm74", "nf=5"},
      {"nf=13 repeat=2 seed=4294967295 fsf_num=2147483647", "nf=26 fsf_num=2147483647"},
      {"nf=16 fsf_fbk=hamm74 seed=0 fsf_num=-2147483648 min_frames=-5",
       "nf=16 fsf_num=-2147483648 min_frames=-5"},
      {"adaptive=1 ad_size=1", "ns=3"},         {"adaptive=0 ad_size=0 type=5 pt=0.7", "pt[0]=0.7"},
      // clang-format on
  };
  for (auto [line, expected] : cases) {
    SIM_RUN run = RunSim(Command(*line ? line + std::string(" runs=50 debug=1") : ""));
    Words lines = Lines(run.out + "\n\n"), names = Fields(lines[0]), values = Fields(lines[1]), got;
    for (size_t i = 0; i < names.size() && i < values.size(); i++)
      got.push_back(names[i] + "=" + values[i]);
    std::istringstream pairs(expected);
    for (std::string pair; pairs >> pair;)
      EXPECT_NE(std::find(got.begin(), got.end(), pair), got.end()) << line << ": " << pair;
    EXPECT_EQ(run.status, 0) << line << run.err;
  }
}

TEST(CommandLine, TheSameSeedGivesTheSameRunAndAnotherSeedAnother) {
  auto out = [](std::string seeds) {  // received powers come from the second generator
    return RunSim(Command(seeds + " fsf_type=rssi nn=20 runs=2000 pdf_nodes=1 debug=1")).out;
  };
  std::string first = out("seed=5");
  EXPECT_EQ(first, out("seed=5 seed=6"));
  EXPECT_NE(first, out("seed=6"));
}

}  // namespace
