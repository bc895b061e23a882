"""A line-for-line twin of the engine's CountSyllables (src/core/authoring/syllables.cpp),
so that the derivation can score candidate word data without building the program.
Check that the two agree after changing either: run `ruvo-tool syllables --word-data FILE`
on a word list and compare with count_syllables (derive.py --check-tool does this)."""

VOWELS = set("aeiouy")
CONS = set("bcdfghjklmnpqrstvwxz")
CONS_NOT_L = CONS - {"l"}
S1 = set("bdfjkmnpqrtvw")
S2 = set("bcdfghjkmnpqstvwxz")
SMALL = set("abcdefghijklmnopqrstuvwxyz")

SECTIONS = ["abbreviation", "word_1", "word_2", "word_3", "word_4", "word_5", "word_6",
            "tail_0", "tail_1", "tail_2", "tail_3",
            "head_top_1", "head_1", "head_2", "head_3", "head_4"]


class WordData:
    def __init__(self, sections):
        self.sections = {name: list(sections.get(name, [])) for name in SECTIONS}
        self.refresh()

    def refresh(self):
        self.words = {}
        for k in range(6, 0, -1):
            for w in self.sections["word_%d" % k]:
                self.words[w] = k  # lower k wins: the lists are tried word_1 first
        # Entries by their last (resp. first) letter, last entry first: the last match wins.
        self._tail = {}
        self._head = {}
        for name in SECTIONS:
            index = {}
            for e in reversed(self.sections[name]):
                if e:
                    index.setdefault(e[-1] if name.startswith("tail_") else e[0], []).append(e)
            (self._tail if name.startswith("tail_") else self._head)[name] = index

    def strip_suffix(self, w, name, weight):
        for e in self._tail[name].get(w[-1], ()):
            if len(w) > len(e) and w.endswith(e):
                return w[: len(w) - len(e)], weight
        return w, 0

    def strip_prefix(self, w, name, weight):
        for e in self._head[name].get(w[0], ()):
            if len(w) > len(e) + 2 and w.startswith(e):
                return w[len(e): len(e) + 99], weight
        return w, 0


def count_syllables(word, data):
    w = word.strip().lower()
    if not w:
        return 0
    count = 0
    while True:
        k = data.words.get(w, 0)
        if k:
            return count + k
        before = w
        w, r = data.strip_suffix(w, "tail_3", 3)
        if r <= 0:
            w, r = data.strip_suffix(w, "tail_2", 2)
        if r <= 0:
            w, r = data.strip_suffix(w, "tail_1", 1)
        if r <= 0:
            w, r = data.strip_suffix(w, "tail_0", 0)
        if w == before:
            break
        count += r
    while len(w) >= 3 and w.endswith("le") and w[-3] in CONS_NOT_L:
        w = w[:-2]
        count += 1
    stripped = count != 0
    for name, weight in (("head_top_1", 1), ("head_4", 4), ("head_3", 3), ("head_2", 2), ("head_1", 1)):
        w, r = data.strip_prefix(w, name, weight)
        count += r
    last = w[-1]
    w = w + " "
    n = len(w)
    v = 0
    in_group = False
    q = 0
    while q < n:
        ch = w[q]
        if ch in VOWELS:
            if not in_group:
                in_group = True
                v += 1
            elif ch == "y" and q >= 2 and w[q - 1] in VOWELS and q + 1 < n and w[q + 1] in VOWELS:
                in_group = False
        elif ch in CONS or (ch == "'" and q + 1 < n and w[q + 1] in SMALL):
            in_group = False
        elif "0" <= ch <= "9":
            v += 1
        else:
            break
        q += 1

    def back(k):
        return w[q - k] if q >= k else ""

    if in_group:
        if back(1) == "e" and q >= 2 and back(2) in CONS and v + count >= 2:
            v -= 1
    else:
        if q >= 4 and back(1) == "d" and back(2) == "e" and back(3) in CONS and back(3) not in ("d", "t"):
            if w.strip() not in ("crooked", "naked", "wicked", "wretched"):
                v -= 1
        elif q >= 4 and back(1) == "s" and back(2) == "e" and (
                back(3) in S1 or (q >= 5 and back(3) == "h" and back(4) not in ("c", "s"))
                or (q >= 5 and back(3) == "l" and back(4) not in S2)):
            v -= 1
        elif q >= 4 and back(1) == "t" and back(2) == "'" and back(3) == "n":
            if back(4) in CONS:
                v += 1
            elif w in ("haven't ", "weren't "):
                pass
            elif w == "mayn't ":
                v += 1
            else:
                v -= 1
    if stripped and v == 0 and last in VOWELS:
        v = 1
    return max(1, v + count)
