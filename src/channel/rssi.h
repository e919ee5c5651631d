// The Rayleigh received-power model: dBm conversions, gain draws from the GSL generator, the
// per-pair gain table, and the accumulate / detect / reply operations of a receiver. Powers are
// linear, in microwatts (-30 dBm is 1.0); a subcarrier is detected at or above rssi_thresh_pw.
// RSSI (received signal strength) names the model's operations.
#pragma once

#include <cstdint>

#include "core/records.h"

// The linear power of a level in dBm, in microwatts: 10^(dBm/10 + 3).
double dbm2pw(double dbm);
// The level in dBm of a power in microwatts, its inverse (messages use it).
double pw2dbm(double power);
// Sets rssi_min_pw, rssi_avg_pw and rssi_thresh_pw from the dBm options.
void ConvertRSSIThresholds(SIM &S);

// One gain: R^2 + rssi_min_pw with R Rayleigh of scale sqrt(rssi_avg_pw / 2), from the GSL
// generator; R^2 is exponential with mean rssi_avg_pw.
double DrawGain(SIM &S);
// The largest gain a draw can give: R comes from a uniform u of 32-bit resolution, u >= 2^-32, so
// R^2 is at most ln(2^32) = 22.18 times rssi_avg_pw (13.5 dB above the mean).
double LargestGain(const SIM &S);

// The "rssi" channel of the basic session: a gain per subcarrier in rssi_acc, and the mask of the
// subcarriers whose gain reaches the threshold.
void FSFRandChannelSubcarriersRSSI(SIM &S, NODE *node);

// With keyed draws (rng=keyed) a gain is made from a keyed uniform V in (0, 1] by the inverse of
// the Rayleigh distribution function, R = sqrt(rssi_avg_pw) sqrt(-ln V), as R^2 + rssi_min_pw:
// the gain of the pair of nodes lo < hi on subcarrier m in the session under way (one for all
// subcarriers with rssi_flat), and the basic session's gains of a node.
double KeyedPairGain(const SIM &S, int32_t lo, int32_t hi, int32_t m);
void FSFRandChannelSubcarriersRSSIKeyed(SIM &S, NODE *node);

// New gains for every pair among nodes 0 .. nn-1, symmetric; per subcarrier, or one per pair for
// all subcarriers when rssi_flat is set.
void RSSIDrawPairGains(SIM &S);

// Starts the pair gains of a received-power session: the pairs get new gains as the session first
// uses them (each used gain a fresh draw, the table kept symmetric), or, with rssi_eager_gains, all
// at once by RSSIDrawPairGains. Outside such a session (rssi_session 0) the table is read as it is.
void RSSIStartSession(SIM &S);

// The subcarriers m < nf whose power reaches the threshold (a power that is not a number does not).
uint32_t DetectedSubcarriers(const SIM &S, const double *powers);

// Clears the node's accumulated powers and what it detects.
void RSSIReset(const SIM &S, NODE *node);
void NodelistResetRSSI(const SIM &S, NODELIST *list);
// Adds the sender's power on each subcarrier of its word to the receiver's accumulator, through
// the pair gain of the table or through the given gain vector. In a session that draws gains on
// demand, the gain is drawn when first needed, and not at all on a subcarrier the receiver
// already detects (its accumulator there stays at a detected power instead of the full sum).
void RSSIAdd(SIM &S, NODE *receiver, NODE *sender);
// The same for the sender's subcarriers bits (its word within nf), for callers that know them.
void RSSIAddOn(SIM &S, NODE *receiver, NODE *sender, uint32_t bits);
void RSSIAdd(const SIM &S, NODE *receiver, NODE *sender, const double *gains);
// 1 when some subcarrier's accumulated power reaches the threshold (since the node's reset, as its
// adds noted).
int32_t RSSIAnyAboveThreshold(const SIM &S, NODE *node);
// rx_word = the subcarriers whose accumulated power reaches the threshold (likewise).
void RSSIExtractWord(const SIM &S, NODE *node);
// word = the class reply to rx_word.
void RSSIBuildReply(SIM &S, NODE *node);
// 1 when the class the node makes of rx_word is the reply its own word would cause.
int32_t RSSIWonRound(SIM &S, NODE *node);
