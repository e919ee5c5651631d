"""The name meant by a name the tool does not know: the same name in other letter case, else the
closest by spelling (difflib), else one whose description holds the word (`nodes` -> `nn`, the
number of active nodes)."""

import difflib
import re
from typing import Dict, Iterable, Optional


def meant(word: str, names: Iterable[str], described: Optional[Dict[str, str]] = None
          ) -> Optional[str]:
    """The name of names that word most likely means, or None."""
    names = list(dict.fromkeys(names))
    folded: Dict[str, str] = {}
    for name in names:
        folded.setdefault(name.lower(), name)
    if word.lower() in folded:
        return folded[word.lower()]
    close = difflib.get_close_matches(word.lower(), list(folded), n=1, cutoff=0.6)
    if close:
        return folded[close[0]]
    prefixed = [name for name in names if name.lower().startswith(word.lower()) and word]
    if len(prefixed) == 1:
        return prefixed[0]
    stem = word.lower().rstrip("s")
    for name in names:
        text = (described or {}).get(name, "")
        if len(stem) >= 3 and any(w.rstrip("s") == stem for w in re.findall(r"\w+", text.lower())):
            return name
    return None


def nearest(word: str, names: Iterable[str], found: str, otherwise: str = "",
            described: Optional[Dict[str, str]] = None) -> str:
    """found with the name meant (found holds one %s), or otherwise when none is near."""
    name = meant(word, names, described)
    return found % name if name is not None else otherwise
