// The codeword-index draws of a transmitting node (uniform or truncated geometric by the round's
// tau) and the choice of the one installed in the GenRandGeomUni slot.
#pragma once

#include <cstdint>

#include "core/records.h"

// Uniform when tau is 0, truncated geometric otherwise (tests tau on every call).
int32_t GenRandModGeom(SIM &S, double tau, int32_t low, int32_t high);
// Always uniform; tau is ignored.
int32_t GenRandModUni2(SIM &S, double tau, int32_t low, int32_t high);
// Always truncated geometric with q = 1 - tau.
int32_t GenRandModGeom2(SIM &S, double tau, int32_t low, int32_t high);

// The codeword draw for the rounds' tau values, and whether every round draws uniformly.
struct CODEWORD_DRAW {
  GenRandGeomUniFn draw;
  bool uniform;
};
// GenRandModUni2 when every tau[0..ns) is 0, GenRandModGeom2 when none is, else GenRandModGeom.
CODEWORD_DRAW ChooseCodewordDraw(const double *tau, int32_t ns);
