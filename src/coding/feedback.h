// The three feedback schemes, each a referee reply and a per-node win test: closest class (the
// reply seen through the node's mask), perfect feedback (the reply intact) and Hamming(7,4).
#pragma once

#include <cstdint>

#include "core/records.h"

int32_t FSFRefereeReplyClosestClass();
int32_t FSFWonRoundClosestClass(int32_t reply, NODE *node);

int32_t FSFRefereeReplyPerfectFeedback();
int32_t FSFWonRoundPerfectFeedback(int32_t reply, NODE *node);

int32_t FSFRefereeReplyHamming74();
int32_t FSFWonRoundHamming74(int32_t reply, NODE *node);
