// Google Benchmark helpers shared by the benchmark programs: draws timed in batches, and a console
// reporter that also keeps every run for the table a program prints at its end.
#pragma once

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

// Times batch draws per iteration, so that the loop's overhead does not hide the cost of one draw;
// the items are draws.
template <class Draw>
void TimeDrawsInBatches(benchmark::State &state, int batch, Draw draw) {
  decltype(draw()) sum{};
  for (auto _ : state) {
    for (int i = 0; i < batch; i++) sum += draw();
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * batch);
}

class KeepingReporter : public benchmark::ConsoleReporter {
 public:
  KeepingReporter() : ConsoleReporter(isatty(1) ? OO_Defaults : OO_Tabular) {}
  void ReportRuns(const std::vector<Run> &reports) override {
    ConsoleReporter::ReportRuns(reports);
    for (const Run &run : reports) runs_[run.benchmark_name()] = run;
  }
  // Seconds per iteration of the named run; 0 when it did not run or failed.
  double Seconds(const std::string &name) const {
    auto it = runs_.find(name);
    if (it == runs_.end() || it->second.error_occurred || it->second.iterations == 0) return 0.0;
    return it->second.GetAdjustedRealTime() /
           benchmark::GetTimeUnitMultiplier(it->second.time_unit);
  }
  // The named run's counter; 0 when it has none.
  double Counter(const std::string &name, const std::string &counter) const {
    auto it = runs_.find(name);
    if (it == runs_.end() || !it->second.counters.count(counter)) return 0.0;
    return it->second.counters.at(counter);
  }

 private:
  std::map<std::string, Run> runs_;
};
