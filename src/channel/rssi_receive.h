// Reception of many senders by many receivers through the node-pair gains, the received-power
// sessions' main work: the same additions and, when gains are drawn on demand, the same draws in
// the same order as adding every sender to every receiver one pair at a time, with the pairs that
// would give nothing left out.
#pragma once

#include <cstdint>

#include "core/records.h"

// Resets every receiver, then adds every sender's power to it, senders in list order.
void RSSIReceiveAll(SIM &S, NODELIST *receivers, const NODELIST *senders);

// Adds sender's power on reply (its subcarriers within nf) to the first count receivers, in order;
// keeps in place, in order, those that do not yet detect every subcarrier of replied, and returns
// their number.
int32_t RSSIReplyTo(SIM &S, NODE **receivers, int32_t count, NODE *sender, uint32_t reply,
                    uint32_t replied);
