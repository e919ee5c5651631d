// The MT19937 regeneration of a 624-word state and the tempering of its words into outputs, in a
// plain form and in vector forms (SSE2, and AVX2 where the processor has it). Every form gives the
// published sequence; the fastest one the processor runs is chosen once.
#pragma once

#include <cstdint>

const int kMtWords = 624;

// The forms, for tests that check each one on this machine.
enum MT_FORM { MT_PLAIN, MT_SSE2, MT_AVX2 };

// True when this build and this processor can run the form.
bool MtFormRuns(MT_FORM form);
// Regenerates state (the twist) and writes its 624 tempered words to out, in the given form.
void MtTwistAndTemper(MT_FORM form, uint32_t *state, uint32_t *out);
// The fastest form that runs here.
MT_FORM FastestMtForm();
