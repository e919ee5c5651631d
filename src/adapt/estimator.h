// The adaptive node-count estimator: a moving average, over a window of ad_size samples, of how
// many sessions each winner waited since its previous success; after every success the schedule pt
// becomes the tuned row for the estimate.
#pragma once

#include <cstdint>

#include "core/records.h"

// Fills the window with random samples near nn, gives every active node a geometric start value
// of wait_succ, sets the estimate to nn and installs its schedule row.
void AdaptInit(SIM &S);
// Replaces the oldest sample by x, averages the window by ad_avg_type and installs the schedule.
void AdaptUpdateEstimate(SIM &S, double x);
// The average of the window K_1 (oldest) .. K_(N-1) and x under ad_avg_type, for the window
// starting after slot k of ad_samples.
double AdaptWeightedAverage(const SIM &S, int32_t k, double x);
