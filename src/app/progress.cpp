// Progress line on a terminal's standard error.
#include "core/progress.h"

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "core/state.h"
#include "support/fail.h"

PROGRESS progress;

namespace {

double MonotonicSeconds() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// Reads the clock about every 20 ms whatever a session costs.
void AdaptInterval(double since_check) {
  if (since_check < 0.01 && progress.interval < (1 << 24))
    progress.interval *= 2;
  else if (since_check > 0.04 && progress.interval > 1)
    progress.interval /= 2;
  progress.countdown = progress.interval;
}

}  // namespace

void ProgressStart() {
  progress = PROGRESS{};
  progress.enabled = isatty(2);
  if (!progress.enabled) return;
  progress.interval = progress.countdown = 16;
  progress.started = progress.checked = MonotonicSeconds();
  BeforeDiagnostic = ProgressErase;
}

void ProgressShow(double share) {
  double now = MonotonicSeconds();
  AdaptInterval(now - progress.checked);
  progress.checked = now;
  if (now - progress.started < 1.0 || now - progress.shown < 0.25) return;
  progress.shown = now;
  share = std::clamp(share, 0.0, 1.0);
  int width = fprintf(stderr, "\r# run %ld: %5.1f%% done, %.0f s", long(run), share * 100.0,
                      now - progress.started);
  if (width < progress.width) fprintf(stderr, "%*s", progress.width - width, "");
  progress.width = std::max(width, int(progress.width));
  fflush(stderr);
}

void ProgressErase() {
  if (progress.width > 0) {
    fprintf(stderr, "\r%*s\r", int(progress.width), "");
    fflush(stderr);
  }
  progress.width = 0;
}

double MinFramesShare() {
  if (min_frames <= 0) return 1.0;
  double least = 1.0;
  for (int32_t i = 0; i < nn; i++) least = std::min(least, double(nodes[i].successes) / min_frames);
  return least;
}
