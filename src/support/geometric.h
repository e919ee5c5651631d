// The truncated geometric draw by inverse transform, shared by the codeword choice and the
// geometric fading mask.
#pragma once

#include <cstdint>

// k in [0, n) with P(k) = (1 - q) q^k / (1 - q^n), from one uniform u in [0, 1):
// floor(ln(1 - u (1 - q^n)) / ln q). q = 0 always gives 0. When q rounds to 1 (a parameter too
// small for double precision) the law's limit, the uniform floor(u n), is used. The result is
// clamped to [0, n - 1] against rounding at the top.
int32_t TruncatedGeometric(double u, double q, int32_t n);
