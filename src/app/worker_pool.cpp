// Worker threads of a keyed run and the booking of their sessions in order.
#include "app/worker_pool.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "app/interrupt.h"
#include "config/options.h"
#include "config/setup.h"
#include "core/state.h"
#include "core/waits.h"
#include "sessions/endings.h"
#include "support/seeding.h"

struct WORKER_POOL::WORKER {
  std::unique_ptr<SIM> sim = std::make_unique<SIM>();
};

int32_t ScheduleEntriesBefore(const ADRUNS &schedule, int64_t run) {
  int32_t reached = 0;
  int64_t last = 0;
  while (reached < schedule.count && schedule.at_run[reached] > last &&
         schedule.at_run[reached] < run)
    last = schedule.at_run[reached++];
  return reached;
}

namespace {

// A worker's simulation: the run's command line with the seed made explicit, quiet (its set-up
// repeats the run's, which has already said what it had to) and never strict.
std::vector<std::string> WorkerWords(const SIM &S, int argc, char **argv) {
  std::vector<std::string> words{argv[0], "debug=0", "strict=0", "seed=" + std::to_string(S.seed)};
  for (int i = 1; i < argc; i++) words.push_back(argv[i]);
  return words;
}

void SetUpWorker(SIM &W, std::vector<std::string> &words, uint32_t seed) {
  std::vector<char *> argv;
  for (std::string &word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  ParseMainArgs(W, int(words.size()), argv.data());
  W.seed = SeedGenerators(W.mt_rand, W.gsl_base_rand, true, seed);
  InitSimVars(W);
}

// Books one logged session into the run's simulation, as the session's own ending would have.
int32_t BookOutcome(SIM &S, const OUTCOME_LOG &log, size_t session, size_t &frame) {
  const SESSION_OUTCOME &outcome = log.sessions[session];
  for (; frame < outcome.frames_end; frame++) S.nodes[log.frames[frame]].transmissions++;
  if (outcome.winner >= 0) return EndWithSuccess(S, &S.nodes[outcome.winner], outcome.round);
  S.failures += outcome.failed;
  return EndWithoutSuccess(S);
}

}  // namespace

WORKER_POOL::WORKER_POOL(const SIM &S, SessionFn session, int argc, char **argv, int32_t threads,
                         int64_t sessions)
    : session_(session),
      sessions_(sessions),
      blocks_(sessions < 0 ? INT64_MAX : (sessions + kSessionBlock - 1) / kSessionBlock),
      initial_nn_(S.nn),
      words_(WorkerWords(S, argc, argv)),
      slots_(size_t(threads) * 3) {
  for (int32_t t = 0; t < threads; t++) {
    workers_.push_back(std::make_unique<WORKER>());
    SetUpWorker(*workers_.back()->sim, words_, S.seed);
  }
  // The run's own thread plays blocks too, with the first simulation, while it waits to book.
  for (size_t t = 1; t < workers_.size(); t++)
    threads_.emplace_back([this, &worker = *workers_[t]] { Work(worker); });
}

WORKER_POOL::~WORKER_POOL() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  work_.notify_all();  // a worker in a block sees stop_ before its next session
  for (std::thread &thread : threads_) thread.join();
}

void WORKER_POOL::Work(WORKER &worker) {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    // A block is taken when its slot is free: at most as many blocks ahead as there are slots.
    work_.wait(lock, [this] {
      return stop_ || interrupt_signal ||
             (next_block_ < blocks_ && next_block_ < booking_block_ + int64_t(slots_.size()));
    });
    if (stop_ || interrupt_signal) return;
    const int64_t block = next_block_++;
    SLOT &slot = slots_[size_t(block % int64_t(slots_.size()))];
    slot.block = block, slot.finished = false;
    lock.unlock();
    PlayBlock(worker, block, slot.log);
    lock.lock();
    slot.finished = true;
    done_.notify_all();
  }
}

void WORKER_POOL::PlayBlock(WORKER &worker, int64_t block, OUTCOME_LOG &log) {
  SIM &W = *worker.sim;
  log.Clear();
  log.failures_seen = W.failures;
  W.outcomes = &log;
  const int64_t first = block * kSessionBlock;
  const int64_t end = sessions_ < 0 ? first + kSessionBlock : std::min(first + kSessionBlock, sessions_);
  // Under the iteration count the schedule sets the node count of every session from its index.
  const bool scheduled = sessions_ >= 0 && W.ad_runs.count > 0;
  int32_t cursor = scheduled ? ScheduleEntriesBefore(W.ad_runs, first + 1) : 0;
  if (scheduled) SetActiveNodes(W, cursor ? W.ad_runs.new_nn[cursor - 1] : initial_nn_);
  for (int64_t index = first; index < end; index++) {
    if (interrupt_signal || stop_) return;  // an unfinished block: the run ends before it
    if (scheduled && cursor < W.ad_runs.count && W.ad_runs.at_run[cursor] == index + 1)
      SetActiveNodes(W, W.ad_runs.new_nn[cursor++]);
    W.keyed.session = uint64_t(index);
    session_(W, W.refs);
  }
}

// Waits until the block's slot is finished, playing the next free block meanwhile when there is
// one; false when the run was interrupted before anyone took it.
bool WORKER_POOL::WaitFor(int64_t block) {
  std::unique_lock<std::mutex> lock(mutex_);
  SLOT &slot = slots_[size_t(block % int64_t(slots_.size()))];
  while (!(slot.block == block && slot.finished)) {
    if (interrupt_signal && next_block_ <= block) return false;
    if (!interrupt_signal && next_block_ < blocks_ &&
        next_block_ < booking_block_ + int64_t(slots_.size())) {
      const int64_t taken = next_block_++;
      SLOT &own = slots_[size_t(taken % int64_t(slots_.size()))];
      own.block = taken, own.finished = false;
      lock.unlock();
      PlayBlock(*workers_[0], taken, own.log);
      lock.lock();
      own.finished = true;
      continue;
    }
    done_.wait_for(lock, std::chrono::milliseconds(20));
  }
  return true;
}

int32_t WORKER_POOL::Book(SIM &S, int64_t index) {
  const int64_t block = index / kSessionBlock;
  if (index % kSessionBlock == 0) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      booking_block_ = block;  // frees the slot of the block before
    }
    work_.notify_all();
    frame_ = 0;
    if (!WaitFor(block)) return -1;
  }
  const OUTCOME_LOG &log = slots_[size_t(block % int64_t(slots_.size()))].log;
  const size_t session = size_t(index % kSessionBlock);
  if (session >= log.sessions.size()) return -1;  // the worker stopped at the interruption
  return BookOutcome(S, log, session, frame_);
}
