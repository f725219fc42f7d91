#!/usr/bin/python3
"""Measures ambrel against the tools it is built on, side by side in one run.

For every corpus case it runs `ambrel --ocr` and the reference tool on the same input, alternating them so that a
noisy machine slows both alike, and reports the median time of each, their ratio, the character and word error
rates of text and the cell accuracy of tables. With --readme it writes the table between the markers
<!-- bench:compare --> and <!-- /bench:compare --> of README.md.

    bench/compare.py [--ambrel build/ambrel] [--corpus ../shared/corpus] [--runs 3] [--readme README.md]
"""
import argparse
import csv
import io
import json
import os
import statistics
import subprocess
import sys
import time


def run(cmd, env=None):
    start = time.perf_counter()
    proc = subprocess.run(cmd, capture_output=True, env=env)
    return time.perf_counter() - start, proc.stdout.decode("utf-8", "replace"), proc.returncode


def timed(cmds, runs):
    """Runs each command `runs` times, interleaved; returns the median time and the last output of each."""
    times = [[] for _ in cmds]
    outputs = [""] * len(cmds)
    for _ in range(runs):
        for i, (cmd, env) in enumerate(cmds):
            t, out, _ = run(cmd, env)
            times[i].append(t)
            outputs[i] = out
    return [statistics.median(t) for t in times], outputs


def levenshtein(a, b):
    if len(a) < len(b):
        a, b = b, a
    previous = list(range(len(b) + 1))
    for i, ca in enumerate(a, 1):
        current = [i]
        for j, cb in enumerate(b, 1):
            current.append(min(previous[j] + 1, current[j - 1] + 1, previous[j - 1] + (ca != cb)))
        previous = current
    return previous[-1]


def collapse(text):
    return " ".join(text.split())


def error_rates(expected, got):
    e, g = collapse(expected), collapse(got)
    cer = levenshtein(e, g) / max(1, len(e))
    wer = levenshtein(e.split(), g.split()) / max(1, len(e.split()))
    return cer, wer


def grid(text):
    rows = [[collapse(c) for c in row] for row in csv.reader(io.StringIO(text))]
    rows = [r for r in rows if any(r)]
    width = max((len(r) for r in rows), default=0)
    rows = [r + [""] * (width - len(r)) for r in rows]
    used = [c for c in range(width) if any(r[c] for r in rows)]
    if used:
        rows = [r[used[0]:used[-1] + 1] for r in rows]
    return rows


def cell_accuracy(expected_csv, got_csv):
    """Share of the expected non-empty cells found with the same text at the same row and column."""
    e, g = grid(expected_csv), grid(got_csv)
    total = hits = 0
    for r, row in enumerate(e):
        for c, cell in enumerate(row):
            if not cell:
                continue
            total += 1
            if r < len(g) and c < len(g[r]) and g[r][c] == cell:
                hits += 1
    return hits / max(1, total)


def tesseract_lang(codes):
    names = {"en-US": "eng", "nl-NL": "nld", "fr-FR": "fra", "de-DE": "deu"}
    return "+".join(names[c] for c in codes)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser()
    parser.add_argument("--ambrel", default=os.path.join(here, "..", "build", "ambrel"))
    parser.add_argument("--corpus", default=os.path.join(here, "..", "..", "shared", "corpus"))
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--readme")
    args = parser.parse_args()

    env_home = os.environ.copy()
    env_home["XDG_CONFIG_HOME"] = "/tmp/ambrel-bench-config"  # no saved languages: the defaults apply
    one = dict(env_home, OMP_THREAD_LIMIT="1")
    default = {k: v for k, v in env_home.items() if k != "OMP_THREAD_LIMIT"}

    cases = json.load(open(os.path.join(args.corpus, "manifest.json")))
    rows = []
    for case in cases:
        inp = os.path.join(args.corpus, case["input"])
        expected = open(os.path.join(args.corpus, case["expected"]), encoding="utf-8").read()
        langs = ["en-US"]
        kind = case["kind"]
        mode = "csv" if kind.endswith("table") else "plain"
        ambrel = ([args.ambrel, "--ocr", inp, "--mode", mode, "--lang", ",".join(langs)], env_home)
        if kind.startswith("image"):
            lang = tesseract_lang(langs)
            refs = [(["tesseract", inp, "-", "-l", lang], one), (["tesseract", inp, "-", "-l", lang], default)]
            ref_name = "tesseract (1 thread)"
        else:
            refs = [(["sh", "-c", 'pdftoppm -r 180 "$0" /tmp/ambrel-bench-page && pdftotext "$0" -', inp], one)]
            ref_name = "pdftoppm -r 180 + pdftotext"
        times, outs = timed([ambrel] + refs, args.runs)
        row = {"id": case["id"], "kind": kind, "ambrel_s": times[0], "ref": ref_name, "ref_s": times[1],
               "ratio": times[0] / times[1]}
        if len(times) > 2:
            row["ref_default_s"] = times[2]
        if mode == "csv":
            row["cells"] = cell_accuracy(expected, outs[0])
        else:
            row["cer"], row["wer"] = error_rates(expected, outs[0])
            row["ref_cer"], row["ref_wer"] = error_rates(expected, outs[1])
        rows.append(row)
        print(json.dumps(row), flush=True)

    lines = ["| case | kind | ambrel s | reference | reference s | ratio | CER (ref) | WER (ref) | cells |",
             "|---|---|---|---|---|---|---|---|---|"]
    for r in rows:
        cer = f"{r['cer']:.3f} ({r['ref_cer']:.3f})" if "cer" in r else ""
        wer = f"{r['wer']:.3f} ({r['ref_wer']:.3f})" if "wer" in r else ""
        cells = f"{r['cells']:.2f}" if "cells" in r else ""
        lines.append(f"| {r['id']} | {r['kind']} | {r['ambrel_s']:.2f} | {r['ref']} | {r['ref_s']:.2f} | "
                     f"{r['ratio']:.2f} | {cer} | {wer} | {cells} |")
    table = "\n".join(lines)
    print(table)
    if args.readme:
        text = open(args.readme, encoding="utf-8").read()
        start, end = "<!-- bench:compare -->", "<!-- /bench:compare -->"
        if start in text and end in text:
            head, rest = text.split(start, 1)
            _, tail = rest.split(end, 1)
            open(args.readme, "w", encoding="utf-8").write(head + start + "\n" + table + "\n" + end + tail)
    return 0


if __name__ == "__main__":
    sys.exit(main())
