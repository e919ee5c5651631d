/* The basic contention session written the plain C way, as a baseline for the session benchmarks:
 * set it up once, play sessions one by one, then read its counters. */
#ifndef LITERAL_SESSION_H
#define LITERAL_SESSION_H

#ifdef __cplusplus
extern "C" {
#endif

/* Sets up a run: nn nodes, nf subcarriers (default one-hot codebook, 1 to 26), ns rounds with the
 * transmit probabilities pt[0..ns-1], refs dedicated referees, binomial fading (binom nonzero, each
 * subcarrier faded with probability fsf_prob) or none, and the generator seeded with seed. Clears
 * every counter; may be called again for another run. Returns 0, or -1 for values out of range. */
int literal_setup(int nn, int nf, int ns, const double *pt, int refs, int binom, double fsf_prob,
                  unsigned long seed);

/* Plays one session; returns 1 for a success, 0 for a collision or a protocol failure. */
long literal_session(void);

/* Counters since the last set-up. */
long literal_node_successes(int node); /* sessions won by node 0 .. nn-1 */
long literal_node_transmissions(int node); /* data frames node 0 .. nn-1 sent */
long literal_failures(void);           /* sessions ended by a round without winner */
long literal_rounds(int k);            /* sessions ended in round k (k = ns: without success) */

#ifdef __cplusplus
}
#endif

#endif
