// Filling of the operation slots from the keyword options, repeat and interleave.
#pragma once

// Feedback keyword, then fading keyword, then repeat, then interleave; an unknown keyword or a
// repeat below 1 ends the process with status 3.
void FillOperationSlots();
