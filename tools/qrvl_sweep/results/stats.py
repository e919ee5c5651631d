"""Means, sample standard deviations and Student-t confidence half-widths of replications.

The t quantile is computed here from the regularised incomplete beta function, so that the tool
needs nothing beyond the standard library."""

import math
from dataclasses import dataclass
from functools import lru_cache
from typing import Optional, Sequence


def _beta_continued_fraction(a: float, b: float, x: float) -> float:
    """Continued fraction of the incomplete beta function (modified Lentz)."""
    tiny = 1e-300
    c, d = 1.0, 1.0 - (a + b) * x / (a + 1.0)
    d = 1.0 / (d if abs(d) > tiny else tiny)
    h = d
    for m in range(1, 500):
        m2 = 2 * m
        for numerator in (m * (b - m) * x / ((a + m2 - 1.0) * (a + m2)),
                          -(a + m) * (a + b + m) * x / ((a + m2) * (a + m2 + 1.0))):
            d = 1.0 + numerator * d
            d = 1.0 / (d if abs(d) > tiny else tiny)
            c = 1.0 + numerator / c
            c = c if abs(c) > tiny else tiny
            h *= d * c
        if abs(d * c - 1.0) < 1e-15:
            break
    return h


def incomplete_beta(a: float, b: float, x: float) -> float:
    """Regularised incomplete beta function I_x(a, b)."""
    if x <= 0.0:
        return 0.0
    if x >= 1.0:
        return 1.0
    log_front = (math.lgamma(a + b) - math.lgamma(a) - math.lgamma(b)
                 + a * math.log(x) + b * math.log1p(-x))
    if x < (a + 1.0) / (a + b + 2.0):
        return math.exp(log_front) * _beta_continued_fraction(a, b, x) / a
    return 1.0 - math.exp(log_front) * _beta_continued_fraction(b, a, 1.0 - x) / b


def student_t_cdf(t: float, df: float) -> float:
    """P(T <= t) for Student's t with df degrees of freedom."""
    tail = 0.5 * incomplete_beta(df / 2.0, 0.5, df / (df + t * t))
    return 1.0 - tail if t >= 0 else tail


def student_t_quantile(p: float, df: float) -> float:
    """The t with P(T <= t) = p for Student's t with df degrees of freedom (0.5 <= p < 1)."""
    if df < 1 or not 0.5 <= p < 1.0:
        raise ValueError("the t quantile needs df >= 1 and 0.5 <= p < 1")
    low, high = 0.0, 1.0
    while student_t_cdf(high, df) < p:
        low, high = high, high * 2.0
    for _ in range(200):
        middle = 0.5 * (low + high)
        if student_t_cdf(middle, df) < p:
            low = middle
        else:
            high = middle
        if high - low <= 1e-13 * high:
            break
    return 0.5 * (low + high)


@lru_cache(maxsize=None)
def t975(df: int) -> float:
    """t(0.975, df), kept once worked out."""
    return student_t_quantile(0.975, df)


@dataclass(frozen=True)
class Estimate:
    """A figure over n replications, each of equal weight."""
    n: int
    mean: float
    sd: float
    ci95: float


def estimate(values: Sequence[float]) -> Estimate:
    """Mean, sample standard deviation and 95% half-width t(0.975, n-1) sd / sqrt(n) of values;
    nan where undefined (no value; one value; a value that is not finite)."""
    n = len(values)
    if n == 0:
        return Estimate(0, math.nan, math.nan, math.nan)
    mean = math.fsum(values) / n
    if n < 2 or not all(math.isfinite(v) for v in values):
        return Estimate(n, mean, math.nan, math.nan)
    sd = standard_deviation(values, mean)
    return Estimate(n, mean, sd, t975(n - 1) * sd / math.sqrt(n))


def standard_deviation(values: Sequence[float], mean: Optional[float] = None) -> float:
    """The sample standard deviation, in two exactly rounded sums."""
    mean = math.fsum(values) / len(values) if mean is None else mean
    return math.sqrt(math.fsum((v - mean) ** 2 for v in values) / (len(values) - 1))
