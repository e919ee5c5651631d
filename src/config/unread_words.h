// Arguments the options did not read as they stand: words that match no option word (a typo runs
// the built-in value without it) and numbers read only in part (runs=1e5 is 1 session). Scripts
// may pass such words, so they are noted on standard error at debug 1 and above, and refused only
// with strict=1.
#pragma once

#include "core/records.h"

// Notes each unread argument ("# ignored: fsf_prb=0.3 (not an option; nearest: fsf_prob=)", "#
// runs=1e5 read as 1") when debug is 1 or more; with strict on, writes them as errors and ends
// the process with status 1. Words repeated after the one read are not noted.
void ReportUnreadWords(const SIM &S, int argc, char **argv);
