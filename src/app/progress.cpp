// Progress lines on standard error.
#include "app/progress.h"

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

double MonotonicSeconds() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// Reads the clock about every 20 ms whatever a session costs.
void AdaptInterval(PROGRESS_LINE &p, double since_check) {
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

void ProgressStart(SIM &S) {
  PROGRESS_LINE &p = S.progress_line;
  p = PROGRESS_LINE{};
  const bool terminal = isatty(2), given = S.given[OPTION_progress];
  p.enabled = given ? S.progress > 0 : terminal;
  if (!p.enabled) return;
  p.in_place = terminal;
  p.every = given ? S.progress : 0.25;
  p.first = given ? S.progress : 1.0;
  p.interval = p.countdown = 16;
  p.started = p.checked = MonotonicSeconds();
}

void ProgressShow(SIM &S, double share, int64_t sessions, int64_t successes) {
  PROGRESS_LINE &p = S.progress_line;
  double now = MonotonicSeconds();
  AdaptInterval(p, now - p.checked);
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

double MinFramesShare(const SIM &S) {
  if (S.min_frames <= 0) return 1.0;
  double least = 1.0;
  for (int32_t i = 0; i < S.nn; i++)
    least = std::min(least, double(S.nodes[i].successes) / S.min_frames);
  return least;
}
