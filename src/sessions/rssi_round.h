// Steps shared by the two received-power sessions: the transmit decisions that split the
// contenders into transmitters and silent nodes, and the reception of a set of senders by a set
// of receivers through the pair gains.
#pragma once

#include <cstdint>

#include "core/records.h"

// What a round step returns when the session goes on to the next round.
const int32_t kSessionGoesOn = -1;

// Each contender draws against pt[round]; a transmitter draws its codeword right after its own
// transmit draw and goes to tx, the others to silent (keeping their old word).
void SplitTransmitters(SIM &S, const NODELIST *alive, NODELIST *tx, NODELIST *silent,
                       int32_t round);
// Resets every receiver, then adds every sender's word to it through the pair gains (see
// channel/rssi_receive.h).
void Receive(SIM &S, NODELIST *receivers, const NODELIST *senders);
// Adds the sender's word to every receiver through the pair gains.
void ReceiveFrom(SIM &S, NODELIST *receivers, NODE *sender);

// The end of a decided round with the survivors in won: a protocol failure when there are none, a
// success when one is left (both booked, the session's result returned), otherwise won becomes
// the next round's contenders and kSessionGoesOn is returned.
int32_t SettleRound(SIM &S, NODELIST *won, int32_t round);
// Plays the rounds of a session with the given round step; after the last round the session ends
// without success.
int32_t PlayRounds(SIM &S, int32_t (*round_step)(SIM &S, int32_t round));
