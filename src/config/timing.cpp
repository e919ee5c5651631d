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
CONTROL_FRAMES ControlFrames(const SIM &S) {
  const double delta = S.delta;
  double r, k;
  if (S.B >= 24000000) {
    r = k28us;
    k = k28us;
  } else if (S.B >= 12000000) {
    r = k36us;
    k = k32us;
  } else {
    r = k48us;
    k = k40us;
  }
  if (S.fixed_ack_rate) k = k40us;
  if (!S.ath_real) return CONTROL_FRAMES{r + delta, k + delta, k + delta};
  return CONTROL_FRAMES{r + delta + kSymbol, k + delta - kShortCts, k + delta + kSymbol};
}

// Preamble plus whole symbols of 4e-06 * B bits each for the payload and its overhead.
double DataFrame(const SIM &S) {
  int64_t bits = int64_t(S.DATA) + S.APP + (S.ath_real ? 280 : 278);
  double symbols = ceil(double(bits) / (kSymbol * S.B));
  double t = kPreamble + kSymbol * symbols + S.delta;
  return S.ath_real ? t + kSymbol : t;
}

}  // namespace

void ComputeTiming(SIM &S) {
  if (S.difs == 0.0) S.difs = S.sifs + S.ts;
  const double sifs = S.sifs, difs = S.difs;
  CONTROL_FRAMES control = ControlFrames(S);
  double t_data = DataFrame(S);
  const double t_cont = S.no_feedback ? double(S.ns) * S.ts : 2.0 * S.ns * S.ts;
  S.t_cont = t_cont;
  if (S.no_rts == 1) {
    S.t_succ = t_cont + t_data + sifs + control.ack + sifs;
    S.t_coll = S.t_succ;
  } else if (S.no_rts == 2) {
    S.t_succ = t_cont + t_data + sifs + control.ack + difs;
    S.t_coll = t_cont + t_data + difs;
  } else {
    S.t_succ = t_cont + control.rts + sifs + control.cts + sifs + t_data + sifs + control.ack + difs;
    S.t_coll = t_cont + control.rts + difs;
  }
}
