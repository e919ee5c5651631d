"""The seeds of a study's runs.

Replication r (from 1) of a point takes the first four bytes, read big-endian, of
SHA-256("qrvl-sweep seed\\n<base seed>\\n<key>\\n<r>\\n<k>") with k = 0, where <key> is the point's
whole option list (fixed and swept, without seed=) as "word=value" lines sorted by word and joined
by "\\n", values in canonical form. The options of the factors named by --common-seeds are left
out of the key, so that points differing only in them share their seeds. Should two keys draw the
same seed, the later one in (replication, key) order takes k = 1, 2, ... until its seed is unused.
Re-planning gives the same seeds, and more replications keep every seed already drawn."""

import hashlib
from typing import Collection, List, Mapping, Sequence, Set


def point_key(options: Mapping[str, str], common: Collection[str] = ()) -> str:
    """The key of a point: its options as sorted word=value lines, without the words common to
    the points that share seeds."""
    return "\n".join("%s=%s" % (word, options[word]) for word in sorted(options)
                     if word not in common)


def seed_candidate(base_seed: int, key: str, replication: int, attempt: int) -> int:
    text = "qrvl-sweep seed\n%d\n%s\n%d\n%d" % (base_seed, key, replication, attempt)
    return int.from_bytes(hashlib.sha256(text.encode("utf-8")).digest()[:4], "big")


class SeedDrawer:
    """Draws the seeds of one replication after another, distinct for distinct keys; points of
    the same key share them."""

    def __init__(self, base_seed: int, keys: Sequence[str]) -> None:
        self.base_seed = base_seed
        self.points = keys
        self.keys = list(dict.fromkeys(keys))
        self.order = sorted(range(len(self.keys)), key=self.keys.__getitem__)
        self.used: Set[int] = set()
        self.drawn = 0

    def replication(self, replication: int) -> List[int]:
        """The seeds of every point (in point order) for this replication; the replications
        before it are drawn first, as their seeds come before its seeds."""
        if replication <= self.drawn:
            raise ValueError("replication %d is drawn already" % replication)
        seeds: List[int] = []
        while self.drawn < replication:
            self.drawn += 1
            seeds = self.draw(self.drawn)
        if len(self.keys) == len(self.points):
            return seeds
        by_key = dict(zip(self.keys, seeds))
        return [by_key[key] for key in self.points]

    def draw(self, replication: int) -> List[int]:
        seeds = [0] * len(self.keys)
        for index in self.order:
            attempt = 0
            seed = seed_candidate(self.base_seed, self.keys[index], replication, attempt)
            while seed in self.used:
                attempt += 1
                seed = seed_candidate(self.base_seed, self.keys[index], replication, attempt)
            self.used.add(seed)
            seeds[index] = seed
        return seeds
