// Progress lines on standard error.
#include "app/progress.h"

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/state.h"
#include "support/fail.h"

PROGRESS_LINE progress_line;

namespace {

double MonotonicSeconds() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// Reads the clock about every 20 ms whatever a session costs.
void AdaptInterval(double since_check) {
  PROGRESS_LINE &p = progress_line;
  if (since_check < 0.01 && p.interval < (1 << 24))
    p.interval *= 2;
  else if (since_check > 0.04 && p.interval > 1)
    p.interval /= 2;
  p.countdown = p.interval;
}

// "12 s", or "?" before anything is known.
void FormatSecondsLeft(char *out, size_t size, double seconds) {
  if (std::isfinite(seconds))
    snprintf(out, size, "%.0f s", std::max(seconds, 0.0));
  else
    snprintf(out, size, "?");
}

}  // namespace

void ProgressStart() {
  PROGRESS_LINE &p = progress_line;
  p = PROGRESS_LINE{};
  bool terminal = isatty(2);
  p.enabled = progress_given ? progress > 0 : terminal;
  if (!p.enabled) return;
  p.in_place = terminal;
  p.every = progress_given ? progress : 0.25;
  p.first = progress_given ? progress : 1.0;
  p.interval = p.countdown = 16;
  p.started = p.checked = MonotonicSeconds();
  if (p.in_place) BeforeDiagnostic = ProgressErase;
}

void ProgressShow(double share, int64_t sessions, int64_t successes) {
  PROGRESS_LINE &p = progress_line;
  double now = MonotonicSeconds();
  AdaptInterval(now - p.checked);
  p.checked = now;
  double elapsed = now - p.started;
  if (elapsed < p.first || (p.shown > 0 && now - p.shown < p.every)) return;
  p.shown = now;
  share = std::clamp(share, 0.0, 1.0);
  char left[32];
  FormatSecondsLeft(left, sizeof left, share > 0 ? elapsed * (1 - share) / share : NAN);
  char text[160];
  int width = snprintf(text, sizeof text,
                       "# progress: %lld sessions, %.1f%% done, %.0f sessions/s, %s left, Ps %.4g",
                       (long long)sessions, share * 100.0, sessions / elapsed, left,
                       sessions ? double(successes) / sessions : NAN);
  if (!p.in_place) {
    fprintf(stderr, "%s\n", text);
  } else {
    fprintf(stderr, "\r%s", text);
    if (width < p.width) fprintf(stderr, "%*s", p.width - width, "");
    p.width = std::max(width, p.width);
  }
  fflush(stderr);
}

void ProgressErase() {
  PROGRESS_LINE &p = progress_line;
  if (p.width > 0) {
    fprintf(stderr, "\r%*s\r", int(p.width), "");
    fflush(stderr);
  }
  p.width = 0;
}

double MinFramesShare() {
  if (min_frames <= 0) return 1.0;
  double least = 1.0;
  for (int32_t i = 0; i < nn; i++) least = std::min(least, double(nodes[i].successes) / min_frames);
  return least;
}
