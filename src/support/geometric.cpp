// Inverse-transform sampling of the truncated geometric law.
#include "support/geometric.h"

#include <cmath>

int32_t TruncatedGeometric(double u, double q, int32_t n) {
  double k = floor(log(1 - u * (1 - pow(q, n))) / log(q));
  if (std::isnan(k)) k = floor(u * n);
  if (!(k >= 0)) return 0;
  if (k > n - 1) return n - 1;
  return int32_t(k);
}
