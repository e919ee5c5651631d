// The nearest of a set of words to a mistyped one, by the Ratcliff-Obershelp similarity that
// Python's difflib uses, so that the simulator and the study tool suggest the same word.
#pragma once

#include <span>
#include <string>

// 2 M / (|a| + |b|), M the characters of the matching blocks found by taking the longest common
// block and recursing on both sides of it (1 for two empty words). Characters of b that make up
// more than 1% of a b of 200 or more characters take part only next to other matches.
double SimilarityRatio(const std::string &a, const std::string &b);

// The candidate most similar to word, if its ratio is at least cutoff; ties go to the candidate
// that sorts last. Empty when none is close enough.
std::string ClosestWord(const std::string &word, std::span<const std::string> candidates,
                        double cutoff = 0.6);
