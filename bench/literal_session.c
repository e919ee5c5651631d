/* The basic contention session as a plain C program: the MT19937 reference generator, node records
 * and lists of pointers, operation slots called per node, and referee tables built word by word.
 * Built with -DLITERAL_MAIN it is a small command-line simulator of its own. */
#include "literal_session.h"

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

/* ---------------------------------------------------------------------------------------------
 * MT19937 (Matsumoto and Nishimura), reference layout with the 2002 initialisation.
 * --------------------------------------------------------------------------------------------- */

#define MT_N 624
#define MT_M 397
#define MATRIX_A 0x9908b0dfUL
#define UPPER_MASK 0x80000000UL
#define LOWER_MASK 0x7fffffffUL

static unsigned long mt[MT_N];
static int mti = MT_N + 1; /* MT_N + 1: not seeded yet */

static void init_genrand(unsigned long s)
{
    mt[0] = s & 0xffffffffUL;
    for (mti = 1; mti < MT_N; mti++) {
        mt[mti] = (1812433253UL * (mt[mti - 1] ^ (mt[mti - 1] >> 30)) + (unsigned long)mti);
        mt[mti] &= 0xffffffffUL;
    }
}

static unsigned long genrand_int32(void)
{
    unsigned long y;
    static const unsigned long mag01[2] = {0x0UL, MATRIX_A};

    if (mti >= MT_N) {
        int kk;
        if (mti == MT_N + 1)
            init_genrand(5489UL);
        for (kk = 0; kk < MT_N - MT_M; kk++) {
            y = (mt[kk] & UPPER_MASK) | (mt[kk + 1] & LOWER_MASK);
            mt[kk] = mt[kk + MT_M] ^ (y >> 1) ^ mag01[y & 0x1UL];
        }
        for (; kk < MT_N - 1; kk++) {
            y = (mt[kk] & UPPER_MASK) | (mt[kk + 1] & LOWER_MASK);
            mt[kk] = mt[kk + (MT_M - MT_N)] ^ (y >> 1) ^ mag01[y & 0x1UL];
        }
        y = (mt[MT_N - 1] & UPPER_MASK) | (mt[0] & LOWER_MASK);
        mt[MT_N - 1] = mt[MT_M - 1] ^ (y >> 1) ^ mag01[y & 0x1UL];
        mti = 0;
    }

    y = mt[mti++];
    y ^= (y >> 11);
    y ^= (y << 7) & 0x9d2c5680UL;
    y ^= (y << 15) & 0xefc60000UL;
    y ^= (y >> 18);
    return y;
}

/* uniform on [0, 1) with 32-bit resolution */
static double genrand_real2(void)
{
    return genrand_int32() * (1.0 / 4294967296.0);
}

/* ---------------------------------------------------------------------------------------------
 * Records
 * --------------------------------------------------------------------------------------------- */

typedef struct {
    long id;
    unsigned long mask;  /* subcarriers that get through for this node in this session */
    long successes;
    long transmissions;
    long word;           /* word sent in the current round */
    long word_idx;       /* its index in the codebook */
    long wait_succ;      /* sessions won by others since the last own success */
    long wait_coll;      /* sessions without a winner since the last own success */
} NODE;

typedef struct {
    NODE **members;
    long count;
} NODELIST;

typedef struct {
    long *codes;
    long count;
    long nbits;
} BINCODES;

enum { NL_ALL, NL_ALIVE, NL_TX, NL_WON, NL_COUNT };

/* ---------------------------------------------------------------------------------------------
 * Simulation state
 * --------------------------------------------------------------------------------------------- */

static long nn, nf, ns, refs;
static double *pt, *tau;
static double fsf_prob;

static NODE *nodes;
static NODELIST nodelists[NL_COUNT];

static BINCODES codewords, classes;
static long *refreplies_idx, *refclasses_idx, *refclasses, *closest_classes;

static long ORed_word;

static long failures;
static long *ns_pdf;
static long ns_pdf_size;

/* operation slots */
static void (*FSFRandChannel)(NODE *node);
static void (*ClearORedWord)(void);
static void (*BuildORedWord)(NODE *node);
static void (*ExtractORedWord)(void);
static long (*GenRandGeomUni)(double tau, long low, long high);
static long (*FSFFindWinningWord)(long word, const BINCODES *codes);
static long (*FSFInterleaveWord)(long word);
static long (*FSFDeinterleaveWord)(long word);
static long (*FSFRefereeReply)(void);
static long (*FSFWonRound)(long reply, NODE *node);

/* ---------------------------------------------------------------------------------------------
 * Channel: fading masks
 * --------------------------------------------------------------------------------------------- */

static void FSFRandChannelMaskNone(NODE *node)
{
    node->mask = 0xffffffffUL;
}

static void FSFRandChannelMaskBinom(NODE *node)
{
    unsigned long faded = 0;
    long b;

    if (fsf_prob > 0 && nf > 0) {
        for (b = 0; b < nf; b++) {
            if (fsf_prob > genrand_real2())
                faded |= 1UL << b;
        }
    }
    node->mask = ~faded & 0xffffffffUL;
}

/* ---------------------------------------------------------------------------------------------
 * Superposed word (mask model)
 * --------------------------------------------------------------------------------------------- */

static void ClearORedWordMask(void)
{
    ORed_word = 0;
}

static void BuildORedWordMask(NODE *node)
{
    ORed_word = ORed_word | (long)((unsigned long)node->word & node->mask);
}

static void ExtractORedWordMask(void)
{
}

/* ---------------------------------------------------------------------------------------------
 * Codeword choice
 * --------------------------------------------------------------------------------------------- */

/* Uniform index in [low, high]: low + r / (4294967295 / m); a word above the last full bucket
 * gives m and is drawn again. */
static long GenRandModUni2(double t, long low, long high)
{
    unsigned long m = (unsigned long)(high - low + 1);
    unsigned long d = 4294967295UL / m;
    unsigned long v;

    (void)t;
    do {
        v = genrand_int32() / d;
    } while (v >= m);
    return low + (long)v;
}

/* ---------------------------------------------------------------------------------------------
 * Closest-word detection and interleaving
 * --------------------------------------------------------------------------------------------- */

static long HammingDistance(long a, long b)
{
    unsigned long x = (unsigned long)(a ^ b) & 0xffffffffUL;
    long d = 0;

    while (x) {
        x &= x - 1;
        d++;
    }
    return d;
}

/* index of the closest word; ties go to the highest index */
static long FSFFindWinningWordClosest(long word, const BINCODES *codes)
{
    long i, d, best, result;

    if (word == 0)
        return 0;
    best = codes->nbits;
    result = 0;
    for (i = 0; i < codes->count; i++) {
        d = HammingDistance(word, codes->codes[i]);
        if (d <= best) {
            result = i;
            best = d;
        }
    }
    return result;
}

static long FSFInterleaveWordNone(long word)
{
    return word;
}

static long FSFDeinterleaveWordNone(long word)
{
    return word;
}

/* ---------------------------------------------------------------------------------------------
 * Closest-class feedback
 * --------------------------------------------------------------------------------------------- */

static long FSFRefereeReplyClosestClass(void)
{
    return refclasses[ORed_word];
}

static long FSFWonRoundClosestClass(long reply, NODE *node)
{
    long r;

    if (node->word_idx < 0)
        return 0;
    r = (long)((unsigned long)reply & node->mask);
    return closest_classes[r] == refclasses[node->word];
}

/* ---------------------------------------------------------------------------------------------
 * Set-up
 * --------------------------------------------------------------------------------------------- */

static void *Alloc(size_t count, size_t size)
{
    void *p = calloc(count, size);

    if (p == NULL) {
        fprintf(stderr, "Error: Could not calloc'ate %lu chunks of %lu bytes of memory. Aborting ...\n",
                (unsigned long)count, (unsigned long)size);
        exit(1);
    }
    return p;
}

static void FreeAll(void)
{
    int l;

    free(pt);
    free(tau);
    free(nodes);
    for (l = 0; l < NL_COUNT; l++) {
        if (l != NL_ALIVE)
            free(nodelists[l].members);
        nodelists[l].members = NULL;
        nodelists[l].count = 0;
    }
    free(codewords.codes);
    free(classes.codes);
    free(refreplies_idx);
    free(refclasses_idx);
    free(refclasses);
    free(closest_classes);
    free(ns_pdf);
    pt = tau = NULL;
    nodes = NULL;
    codewords.codes = classes.codes = NULL;
    refreplies_idx = refclasses_idx = refclasses = closest_classes = NULL;
    ns_pdf = NULL;
}

/* The default one-hot codebook: word i has only bit i set; the classes are the same words. */
static void BuildDefaultCodebook(void)
{
    long i;

    codewords.count = nf;
    codewords.nbits = nf;
    codewords.codes = Alloc((size_t)nf, sizeof(long));
    classes.count = nf;
    classes.nbits = nf;
    classes.codes = Alloc((size_t)nf, sizeof(long));
    for (i = 0; i < nf; i++) {
        codewords.codes[i] = 1L << i;
        classes.codes[i] = 1L << i;
    }
}

/* For every received word w: the closest codeword, the class closest to it, that class's reply
 * word; and what a node makes of a reply w, the closest class. */
static void BuildRefereeTables(void)
{
    long size = 1L << codewords.nbits;
    long w, t, c;

    refreplies_idx = Alloc((size_t)size, sizeof(long));
    refclasses_idx = Alloc((size_t)size, sizeof(long));
    refclasses = Alloc((size_t)size, sizeof(long));
    closest_classes = Alloc((size_t)size, sizeof(long));

    refreplies_idx[0] = 0;
    refclasses_idx[0] = 0;
    refclasses[0] = 0;
    for (w = 1; w < size; w++) {
        t = FSFFindWinningWord(w, &codewords);
        c = FSFFindWinningWord(codewords.codes[t], &classes);
        refreplies_idx[w] = t;
        refclasses_idx[w] = c;
        refclasses[w] = FSFInterleaveWord(classes.codes[c]);
    }
    for (w = 0; w < size; w++)
        closest_classes[w] =
            FSFInterleaveWord(classes.codes[FSFFindWinningWord(FSFDeinterleaveWord(w), &classes)]);
}

int literal_setup(int nn_, int nf_, int ns_, const double *pt_, int refs_, int binom,
                  double fsf_prob_, unsigned long seed)
{
    long i;

    if (nn_ < 1 || nf_ < 1 || nf_ > 26 || ns_ < 0 || (ns_ > 0 && pt_ == NULL))
        return -1;
    FreeAll();

    nn = nn_;
    nf = nf_;
    ns = ns_;
    refs = refs_;
    fsf_prob = fsf_prob_;
    pt = Alloc((size_t)ns + 1, sizeof(double));
    tau = Alloc((size_t)ns + 1, sizeof(double));
    for (i = 0; i < ns; i++) {
        pt[i] = pt_[i];
        tau[i] = 0.0;
    }

    /* slots */
    if (binom)
        FSFRandChannel = FSFRandChannelMaskBinom;
    else
        FSFRandChannel = FSFRandChannelMaskNone;
    ClearORedWord = ClearORedWordMask;
    BuildORedWord = BuildORedWordMask;
    ExtractORedWord = ExtractORedWordMask;
    FSFFindWinningWord = FSFFindWinningWordClosest;
    FSFInterleaveWord = FSFInterleaveWordNone;
    FSFDeinterleaveWord = FSFDeinterleaveWordNone;
    FSFRefereeReply = FSFRefereeReplyClosestClass;
    FSFWonRound = FSFWonRoundClosestClass;
    GenRandGeomUni = GenRandModUni2;

    BuildDefaultCodebook();
    BuildRefereeTables();

    nodes = Alloc((size_t)nn + 1, sizeof(NODE));
    for (i = 0; i < nn; i++) {
        nodes[i].id = i;
        nodes[i].mask = 0xffffffffUL;
    }
    for (i = 0; i < NL_COUNT; i++) {
        if (i == NL_ALIVE)
            continue;
        nodelists[i].members = Alloc((size_t)nn, sizeof(NODE *));
        nodelists[i].count = 0;
    }
    for (i = 0; i < nn; i++)
        nodelists[NL_ALL].members[i] = &nodes[i];
    nodelists[NL_ALL].count = nn;

    ns_pdf_size = ns + 1;
    ns_pdf = Alloc((size_t)ns_pdf_size, sizeof(long));
    failures = 0;

    init_genrand(seed);
    return 0;
}

/* ---------------------------------------------------------------------------------------------
 * The session
 * --------------------------------------------------------------------------------------------- */

static void CountRound(long k)
{
    if (k >= ns_pdf_size) {
        fprintf(stderr, "Error: Index out of range for \"%s\" (%ld/%ld). Preallocate more memory. Aborting ...",
                "ns_pdf", k, ns_pdf_size);
        exit(4);
    }
    ns_pdf[k]++;
}

static long SessionSuccess(NODE *w, long k)
{
    long i;

    w->transmissions++;
    w->successes++;
    for (i = 0; i < nn; i++)
        nodes[i].wait_succ++;
    w->wait_succ = 0;
    w->wait_coll = 0;
    CountRound(k);
    return 1;
}

static long SessionNoSuccess(void)
{
    long i;

    for (i = 0; i < nn; i++)
        nodes[i].wait_coll++;
    CountRound(ns);
    return 0;
}

static long SimSession(long referees)
{
    NODELIST *all = &nodelists[NL_ALL];
    NODELIST *alive = &nodelists[NL_ALIVE];
    NODELIST *tx = &nodelists[NL_TX];
    NODELIST *won = &nodelists[NL_WON];
    NODE *node;
    long i, k, reply;

    alive->members = all->members;
    alive->count = nn;

    for (i = 0; i < nn; i++)
        FSFRandChannel(&nodes[i]);

    for (k = 0; k < ns; k++) {
        tx->count = 0;
        ClearORedWord();
        for (i = 0; i < alive->count; i++) {
            node = alive->members[i];
            if (genrand_real2() < pt[k]) {
                node->word_idx = GenRandGeomUni(tau[k], 0, codewords.count - 1);
                node->word = codewords.codes[node->word_idx];
                BuildORedWord(node);
                tx->members[tx->count++] = node;
            }
        }
        if (tx->count == 0)
            continue;

        referees += alive->count - tx->count;
        if (referees == 0)
            continue; /* nobody listened: the round is not decided */

        ExtractORedWord();
        reply = FSFRefereeReply();
        won->count = 0;
        for (i = 0; i < tx->count; i++) {
            if (FSFWonRound(reply, tx->members[i]))
                won->members[won->count++] = tx->members[i];
        }

        if (won->count == 0) {
            failures++;
            return SessionNoSuccess();
        }
        if (won->count == 1)
            return SessionSuccess(won->members[0], k);

        referees += tx->count - won->count;
        alive->members = won->members;
        alive->count = won->count;
    }

    /* rounds used up: every remaining contender sends its frame into the collision */
    for (i = 0; i < alive->count; i++)
        alive->members[i]->transmissions++;
    return SessionNoSuccess();
}

long literal_session(void)
{
    return SimSession(refs);
}

long literal_node_successes(int node)
{
    return (node >= 0 && node < nn) ? nodes[node].successes : 0;
}

long literal_node_transmissions(int node)
{
    return (node >= 0 && node < nn) ? nodes[node].transmissions : 0;
}

long literal_failures(void)
{
    return failures;
}

long literal_rounds(int k)
{
    return (k >= 0 && k < ns_pdf_size) ? ns_pdf[k] : 0;
}

/* ---------------------------------------------------------------------------------------------
 * Command line
 * --------------------------------------------------------------------------------------------- */

#ifdef LITERAL_MAIN

/* the value of the first argument that begins with word, or NULL */
static const char *OptionValue(int argc, char **argv, const char *word)
{
    size_t len = strlen(word);
    int i;

    for (i = 1; i < argc; i++) {
        if (strncmp(argv[i], word, len) == 0)
            return argv[i] + len;
    }
    return NULL;
}

/* keywords are compared without regard to letter case */
static int SameKeyword(const char *a, const char *b)
{
    for (; *a && *b; a++, b++) {
        if (tolower((unsigned char)*a) != tolower((unsigned char)*b))
            return 0;
    }
    return *a == *b;
}

/* reads a comma-separated list of reals; returns the count */
static long ReadList(const char *text, double **values)
{
    long count = 1, n = 0;
    const char *p;

    for (p = text; *p; p++) {
        if (*p == ',')
            count++;
    }
    *values = Alloc((size_t)count, sizeof(double));
    p = text;
    while (n < count) {
        (*values)[n++] = atof(p);
        p = strchr(p, ',');
        if (p == NULL)
            break;
        p++;
    }
    return n;
}

static unsigned long TimeSeed(void)
{
    struct timespec now;
    long sec, usec;

    timespec_get(&now, TIME_UTC);
    sec = (long)(int)now.tv_sec;
    usec = now.tv_nsec / 1000;
    return ((unsigned long)sec + ((unsigned long)sec ^ (unsigned long)((sec % (usec + 1)) * usec))) &
           0xffffffffUL;
}

int main(int argc, char **argv)
{
    long opt_nn = 5, opt_nf = 6, opt_refs = 1, runs = 10000, opt_ns = 3;
    double default_pt[3] = {0.5, 0.5, 0.5};
    double *list = default_pt;
    double prob = 0.1;
    int binom = 0;
    unsigned long seed;
    const char *v;
    long run, successes = 0, i;

    if ((v = OptionValue(argc, argv, "nn=")) != NULL)
        opt_nn = atol(v);
    if ((v = OptionValue(argc, argv, "nf=")) != NULL)
        opt_nf = atol(v);
    if ((v = OptionValue(argc, argv, "refs=")) != NULL)
        opt_refs = atol(v);
    if ((v = OptionValue(argc, argv, "runs=")) != NULL)
        runs = atol(v);
    if ((v = OptionValue(argc, argv, "pt=")) != NULL)
        opt_ns = ReadList(v, &list);
    if ((v = OptionValue(argc, argv, "fsf_prob=")) != NULL)
        prob = atof(v);
    if ((v = OptionValue(argc, argv, "fsf_type=")) != NULL) {
        if (SameKeyword(v, "binom"))
            binom = 1;
        else if (!SameKeyword(v, "none")) {
            fprintf(stderr, "Error: unrecognized FSF type '%s'\n", v);
            return 3;
        }
    }
    if ((v = OptionValue(argc, argv, "seed=")) != NULL)
        seed = strtoul(v, NULL, 10) & 0xffffffffUL;
    else
        seed = TimeSeed();

    if (opt_nn < 1 || opt_nf < 1 || opt_nf > 26 || runs < 1 || opt_refs < 0) {
        fprintf(stderr, "usage: literal_session nn=N nf=N pt=a,b,c refs=N runs=N seed=S "
                        "fsf_type=none|binom fsf_prob=P (nn, nf, runs above 0; nf at most 26)\n");
        return 1;
    }
    if (literal_setup((int)opt_nn, (int)opt_nf, (int)opt_ns, list, (int)opt_refs, binom, prob,
                      seed) != 0) {
        fprintf(stderr, "Error: invalid values\n");
        if (list != default_pt)
            free(list);
        return 1;
    }

    for (run = 0; run < runs; run++)
        successes += literal_session();

    printf("%ld, %ld, %ld\n", runs, successes, literal_failures());
    for (i = 0; i < opt_nn; i++)
        printf("%s%ld", i ? ", " : "", literal_node_successes((int)i));
    printf("\n");
    for (i = 0; i <= opt_ns; i++)
        printf("%s%ld", i ? ", " : "", literal_rounds((int)i));
    printf("\n");
    if (list != default_pt)
        free(list);
    return 0;
}

#endif /* LITERAL_MAIN */
