// Codeword-index draws: the exactly uniform index draw and the truncated geometric draw.
#include "coding/codeword_draw.h"

#include "core/state.h"
#include "support/geometric.h"
#include "support/mt_rand.h"

int32_t GenRandModUni2(SIM &S, double, int32_t low, int32_t high) {
  return GenRand(S.mt_rand, low, high);
}

int32_t GenRandModGeom2(SIM &S, double tau, int32_t low, int32_t high) {
  int32_t n = int32_t(uint32_t(high) - uint32_t(low) + 1u);
  double u = genrand_real2(S.mt_rand);
  return low + TruncatedGeometric(u, 1 - tau, n);
}

int32_t GenRandModGeom(SIM &S, double tau, int32_t low, int32_t high) {
  return tau == 0 ? GenRandModUni2(S, tau, low, high) : GenRandModGeom2(S, tau, low, high);
}

CODEWORD_DRAW ChooseCodewordDraw(const double *tau, int32_t ns) {
  int32_t zeros = 0;
  for (int32_t i = 0; i < ns; i++) zeros += tau[i] == 0;
  if (zeros == ns) return CODEWORD_DRAW{GenRandModUni2, true};
  if (zeros == 0) return CODEWORD_DRAW{GenRandModGeom2, false};
  return CODEWORD_DRAW{GenRandModGeom, false};
}
