// Control-frame bands, data-frame duration and session durations.
#include "config/timing.h"

#include <cmath>

#include "core/state.h"

namespace {

// Durations in seconds, held as these exact doubles.
const double k28us = 2.7999999999999996e-05;
const double k32us = 3.2e-05;
const double k36us = 3.5999999999999994e-05;
const double k40us = 3.9999999999999996e-05;
const double k48us = 4.8e-05;
const double kSymbol = 4e-06;
const double kPreamble = 1.9999999999999998e-05;
const double kShortCts = 2.4e-06;

struct CONTROL_FRAMES {
  double rts, cts, ack;
};

// RTS at the band's rate; CTS and ACK at the band's rate or, with fixed_ack_rate, the lowest.
CONTROL_FRAMES ControlFrames() {
  double r, k;
  if (B >= 24000000) {
    r = k28us;
    k = k28us;
  } else if (B >= 12000000) {
    r = k36us;
    k = k32us;
  } else {
    r = k48us;
    k = k40us;
  }
  if (fixed_ack_rate) k = k40us;
  if (!ath_real) return CONTROL_FRAMES{r + delta, k + delta, k + delta};
  return CONTROL_FRAMES{r + delta + kSymbol, k + delta - kShortCts, k + delta + kSymbol};
}

// Preamble plus whole symbols of 4e-06 * B bits each for the payload and its overhead.
double DataFrame() {
  int64_t bits = int64_t(DATA) + APP + (ath_real ? 280 : 278);
  double symbols = ceil(double(bits) / (kSymbol * B));
  double t = kPreamble + kSymbol * symbols + delta;
  return ath_real ? t + kSymbol : t;
}

}  // namespace

void ComputeTiming() {
  if (difs == 0.0) difs = sifs + ts;
  CONTROL_FRAMES control = ControlFrames();
  double t_data = DataFrame();
  t_cont = no_feedback ? double(ns) * ts : 2.0 * ns * ts;
  if (no_rts == 1) {
    t_succ = t_cont + t_data + sifs + control.ack + sifs;
    t_coll = t_succ;
  } else if (no_rts == 2) {
    t_succ = t_cont + t_data + sifs + control.ack + difs;
    t_coll = t_cont + t_data + difs;
  } else {
    t_succ = t_cont + control.rts + sifs + control.cts + sifs + t_data + sifs + control.ack + difs;
    t_coll = t_cont + control.rts + difs;
  }
}
