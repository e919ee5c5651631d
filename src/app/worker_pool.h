// Worker threads for keyed runs (threads=N): each plays blocks of sessions in its own simulation,
// made from the same command line and seed, and logs their outcomes; the run's own thread, one of
// the N, plays blocks too while it waits, and books them all in session order, so the run's output
// is the same for every number of threads.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/outcome_log.h"
#include "core/records.h"

// Sessions per block: a worker takes the next block whole.
const int64_t kSessionBlock = 1024;

// The node count of the schedule before session run (1-based) of a run under the iteration
// count, and how many of its entries were reached: the entries are taken strictly in order.
int32_t ScheduleEntriesBefore(const ADRUNS &schedule, int64_t run);

class WORKER_POOL {
 public:
  // Starts threads - 1 worker threads (the run's own is the last) on the sessions 0 .. sessions - 1
  // (sessions < 0: without end) of the run that S was set up for from argc, argv.
  WORKER_POOL(const SIM &S, SessionFn session, int argc, char **argv, int32_t threads,
              int64_t sessions);
  // Stops the workers, discarding the sessions played past those booked.
  ~WORKER_POOL();
  // Books the outcome of session index (0-based, taken in order) into S; returns 1 for a success,
  // 0 without, and -1 when the run was interrupted before the session was played.
  int32_t Book(SIM &S, int64_t index);

 private:
  struct WORKER;
  // A cache line of its own: workers fill their slots side by side.
  struct alignas(64) SLOT {
    int64_t block = -1;     // the block held, -1: free
    bool finished = false;  // its worker is done with it (every session, or interrupted)
    OUTCOME_LOG log;
  };
  void Work(WORKER &worker);
  void PlayBlock(WORKER &worker, int64_t block, OUTCOME_LOG &log);
  bool WaitFor(int64_t block);

  SessionFn session_;
  int64_t sessions_, blocks_;
  int32_t initial_nn_;
  std::vector<std::string> words_;  // the workers' command line: their keyword options point here
  std::vector<std::unique_ptr<WORKER>> workers_;
  std::vector<SLOT> slots_;
  std::mutex mutex_;
  std::condition_variable work_, done_;
  int64_t next_block_ = 0, booking_block_ = 0;
  size_t frame_ = 0;  // the next frame entry of the block under booking
  std::atomic<bool> stop_ = false;
  std::vector<std::thread> threads_;
};
