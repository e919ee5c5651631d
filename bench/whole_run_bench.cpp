// A whole default-size run at 26 subcarriers (nn 5, runs 10000, closest-class feedback, debug 2)
// against the literal build of the referee tables such a run would need before its first session:
// wall-clock time and peak resident size, each in its own child process; and the peak size of
// default runs at 5, 500 and 20000 nodes.
#include <fcntl.h>

#include <string>
#include <vector>

#include "bench_util.h"
#include "core/report.h"
#include "app/run_loop.h"

namespace {

// Output to /dev/null: the run is measured, not read.
void Silence() {
  int null = open("/dev/null", O_WRONLY);
  dup2(null, 1);
  dup2(null, 2);
}

// A whole run of these option words, its output to /dev/null.
uint32_t RunOf(const std::vector<std::string> &words) {
  Silence();
  SIM &S = StartUpWith(words);
  RUN_TOTALS totals = RunLoop(S, ChooseSession(S));
  Report(S, totals.sessions, totals.successes);
  return uint32_t(totals.successes);
}

uint32_t WholeRun() { return RunOf({"nf=26", "debug=2", "seed=1"}); }

uint32_t LiteralTables() {
  SIM &S = PrepareCodebook({"nf=26"});
  BuildFourPassTables(S);
  return TableFingerprint(S);
}

}  // namespace

int main() {
  CHILD_MEASURE literal = MeasureInChild(LiteralTables);
  CHILD_MEASURE run = MeasureInChild(WholeRun);
  printf("%-40s %10s %10s\n", "nf 26", "seconds", "peak MiB");
  printf("%-40s %10.4f %10.1f\n", "literal build of the referee tables", literal.seconds,
         literal.peak_mib);
  printf("%-40s %10.4f %10.1f\n", "whole run, 10000 sessions", run.seconds, run.peak_mib);
  ReportResult("nf 26 whole run time (s) vs literal table build", run.seconds, literal.seconds,
               "<= 0.02");
  ReportResult("nf 26 whole run peak memory (MiB) vs literal table build", run.peak_mib,
               literal.peak_mib, "<= 0.25");
  // The basic session's memory does not grow with nn squared: default runs, against the size of
  // this program before any run.
  const CHILD_MEASURE nothing = MeasureInChild([] { return 0u; });
  for (int nn : {5, 500, 20000}) {
    const std::string figure = "peak MiB of a default run at nn " + std::to_string(nn) +
                               " vs the benchmark program without a run";
    const CHILD_MEASURE sized = MeasureInChild([nn] { return RunOf({"nn=" + std::to_string(nn)}); });
    ReportResult(figure.c_str(), sized.peak_mib, nothing.peak_mib, "-");
  }
  return 0;
}
