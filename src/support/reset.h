// The reset of support's own state, for tests that run one simulation after another.
#pragma once

// Releases every recorded block, restarts the own generator unseeded, frees the GSL generator and
// stops every stopwatch.
void ResetSupport();
