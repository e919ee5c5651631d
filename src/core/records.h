// The three record types of the simulation (a station, a list of stations, a set of words) and the
// signatures of the ten exchangeable operations. Integers are 32-bit, except counts of sessions,
// which are 64-bit so that no run is too long to count; a bit set is a 32-bit word in which bit b
// stands for subcarrier b.
#pragma once

#include <cstddef>
#include <cstdint>

// The simulation context that every operation receives (core/state.h).
struct SIM;

// The longest word: subcarriers of one symbol, and bits of every codeword, class and reply.
const int32_t kMaxWordBits = 26;

// A keyword option's value: the text after its "=" in the argument word, or the built-in text.
typedef const char *TEXT;

// One contending station.
struct NODE {
  int32_t id;             // index in nodes; row and column in the pair-gain table
  uint32_t mask;          // subcarriers that get through for this node in the current session
  int64_t successes;      // sessions this node won
  int64_t transmissions;  // data frames sent at the end of basic sessions
  uint32_t word;          // word sent in the current round (a reply word for referees)
  uint32_t rx_word;       // word extracted from the received powers
  uint32_t detected;      // subcarriers whose accumulated power reached the threshold since reset
  int32_t word_idx;       // index of word in codewords
  double t_delay_sum;     // sum of the intervals between consecutive successes
  int64_t wait_succ;      // sessions won by others since the last own success (see waits.h)
  int64_t wait_coll;      // sessions without a winner since the last own success (see waits.h)
  double pt_start;        // copy of the option; nothing reads it
  double pt_end;          // copy of the option; nothing reads it
  double *rssi_acc;       // per-subcarrier received power, in microwatts
};

// A list of stations in insertion order; emptied by setting count to 0.
struct NODELIST {
  NODE **members;
  int32_t count;
};

// A set of words of nbits bits each.
struct BINCODES {
  int32_t *codes;
  int32_t count;
  int32_t nbits;
};

// The node-count schedule: from iteration at_run[k] on, nn is new_nn[k].
struct ADRUNS {
  int32_t *at_run;
  int32_t *new_nn;
  int32_t count;
};

// The gains of a node pair a < b drawn in the received-power session under way: the session's
// stamp when they were last drawn, and the subcarriers drawn since.
struct PAIR_DRAWN {
  uint32_t session;
  uint32_t subcarriers;
};

// The transmitters of a windowed basic-session round: each one's place among the round's
// contenders and the reply class of its codeword.
struct SENDERS {
  int32_t *places;
  int32_t *classes;
};

// A node's places in the pair tables: its column in every other node's gains (id nf), its own
// gains from every node, and its row of pair records.
struct PAIR_ROWS {
  size_t id, column;
  double *gains;
  PAIR_DRAWN *pairs;
};

// The senders of a reception that bring a subcarrier none before them sent: each one's place
// among the senders, its subcarriers within nf, and the subcarriers sent up to and including it.
struct NOVEL_SENDER {
  PAIR_ROWS rows;
  int32_t place;
  uint32_t bits;
  uint32_t sent;
};

// A memo slot of a searched lookup: the received word and what it looked up to.
struct MEMO_ENTRY {
  uint32_t key;
  int32_t value;
};

// The basic session's paths, chosen once at set-up from the operations in the slots: transmit
// decisions a window of generator words at a time (uniform codeword draws under the mask model,
// sequential draws), the closest-class win test straight from the whole tables, no per-session
// channel draw, and the superposed word as the OR of the transmitters' words under their masks.
struct SESSION_PATHS {
  int32_t decisions_by_window;
  int32_t superposed_masks;
  int32_t class_test_from_tables;
  int32_t channels_fixed;
  // the whole session in its windowed form: windowed or keyed decisions and the table test
  int32_t windowed_session;
};

// The bit set of subcarriers 0 .. n-1.
inline uint32_t LowBits(int32_t n) { return n >= 32 ? ~0u : n <= 0 ? 0u : (1u << n) - 1u; }

// The indices of the seven working lists in nodelists.
enum { NL_ALL, NL_ALIVE, NL_SILENT, NL_QUIET, NL_TX, NL_WON, NL_REFEREES, NL_COUNT };

// Signatures of the operation slots; each receives the simulation it works on.
typedef void (*FSFRandChannelFn)(SIM &S, NODE *node);
typedef void (*FSFRandChannelsFn)(SIM &S);
typedef void (*ClearORedWordFn)(SIM &S);
typedef void (*BuildORedWordFn)(SIM &S, NODE *node);
typedef void (*ExtractORedWordFn)(SIM &S);
typedef int32_t (*GenRandGeomUniFn)(SIM &S, double tau, int32_t low, int32_t high);
typedef int32_t (*FSFFindWinningWordFn)(const SIM &S, int32_t word, const BINCODES *set);
typedef int32_t (*FSFInterleaveWordFn)(SIM &S, int32_t word);
typedef int32_t (*FSFRefereeReplyFn)(SIM &S);
typedef int32_t (*FSFWonRoundFn)(SIM &S, int32_t reply, NODE *node);

// A session routine: plays one contention and returns 1 for a success, 0 otherwise.
typedef int32_t (*SessionFn)(SIM &S, int32_t referees);
