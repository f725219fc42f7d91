#!/usr/bin/python3
"""Measures ambrel against the tools it is built on, side by side in one run.

Sections (all by default, or those named with --only):
  corpus   every case of ../shared/corpus: `ambrel --ocr` against `tesseract` with OMP_THREAD_LIMIT=1 and with its
           default threads (images), or against `pdftoppm -r 180` + `pdftotext` (PDFs with a text layer)
  screen   the drawn screen set (bench/screenset, built as `screenset_gen`): UI text, code and tables at 9-14 px,
           light and dark, against the same tesseract runs
  code     the screen set's code snippets (Python, C++, JavaScript, shell, YAML in DejaVu Sans Mono at 10-16 px, light
           and dark, and Python in the proportional DejaVu Sans) in `--mode code`, against tesseract: lines exactly
           right with their indentation, and CER with white space kept
  layout   full scanned pages (corpus PDF pages rendered without their text layer): how much text tesseract's
           single-block and automatic page segmentation keep
  batch    `ambrel --batch` of 20 scanned pages against OMP_THREAD_LIMIT=1 tesseract and plain tesseract, each run on
           the same pages one after the other
  memory   peak resident memory (/usr/bin/time -f %M) of `ambrel --batch` on a 200-page PDF

The commands of one measurement run interleaved (A B C A B C ...) so that a busy machine slows them alike; times are
medians of --runs runs. Errors: character error rate (CER) and word error rate (WER) after collapsing white space,
as the corpus prescribes; cells: the share of expected table cells found with the same text at the same position.
With --readme the tables are written between the README's bench markers.

    bench/compare.py --build /tmp/build [--corpus ../shared/corpus] [--runs 3] [--only corpus,screen] [--readme README.md]
"""
import argparse
import collections
import csv
import io
import json
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

TESSERACT_LANG = {"en-US": "eng", "nl-NL": "nld", "fr-FR": "fra", "de-DE": "deu", "es-ES": "spa", "it-IT": "ita",
                  "ar-SA": "ara"}


# ---------------------------------------------------------------------------------------------------------------------
# Running and timing


def run(cmd, env=None):
    start = time.perf_counter()
    proc = subprocess.run(cmd, capture_output=True, env=env)
    elapsed = time.perf_counter() - start
    if proc.returncode != 0:
        sys.stderr.write(f"warning: {' '.join(cmd[:3])}... exited with {proc.returncode}: "
                         f"{proc.stderr.decode('utf-8', 'replace')[:200]}\n")
    return elapsed, proc.stdout.decode("utf-8", "replace")


def timed(cmds, runs):
    """Runs each (command, environment) `runs` times, interleaved; returns each one's median time and last output."""
    times = [[] for _ in cmds]
    outputs = [""] * len(cmds)
    for _ in range(runs):
        for i, (cmd, env) in enumerate(cmds):
            t, out = run(cmd, env)
            times[i].append(t)
            outputs[i] = out
    return [statistics.median(t) for t in times], outputs


# ---------------------------------------------------------------------------------------------------------------------
# Scoring


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


class Errors:
    """Edit distances summed over cases, so that a rate over many images weighs every character alike."""

    def __init__(self):
        self.chars = self.char_edits = self.words = self.word_edits = 0

    def add(self, expected, got):
        e, g = collapse(expected), collapse(got)
        self.chars += len(e)
        self.char_edits += levenshtein(e, g)
        self.words += len(e.split())
        self.word_edits += levenshtein(e.split(), g.split())
        return self

    @property
    def cer(self):
        return self.char_edits / max(1, self.chars)

    @property
    def wer(self):
        return self.word_edits / max(1, self.words)


def code_lines(text):
    """Lines as an editor shows them: trailing white space is invisible, and so is a final line feed."""
    return [line.rstrip() for line in text.rstrip("\n").split("\n")]


def exact_lines(expected, got):
    """How many expected lines come back character for character, indentation included, matched in order."""
    import difflib
    matcher = difflib.SequenceMatcher(None, code_lines(expected), code_lines(got), autojunk=False)
    return sum(block.size for block in matcher.get_matching_blocks())


def word_recall(expected, got):
    """Share of the expected words found anywhere in the output: blind to reading order, so it shows dropped text."""
    e, g = collections.Counter(expected.split()), collections.Counter(got.split())
    return sum((e & g).values()) / max(1, sum(e.values()))


def grid(text):
    rows = [[collapse(c) for c in row] for row in csv.reader(io.StringIO(text))]
    rows = [r for r in rows if any(r)]
    width = max((len(r) for r in rows), default=0)
    rows = [r + [""] * (width - len(r)) for r in rows]
    used = [c for c in range(width) if any(r[c] for r in rows)]
    if used:
        rows = [r[used[0]:used[-1] + 1] for r in rows]
    return rows


def grid_text(csv_text):
    """A table's text row by row, as a reader (or tesseract) reads it."""
    return "\n".join(" ".join(c for c in row if c) for row in grid(csv_text))


def cell_accuracy(expected_csv, got_csv):
    """Share of the expected non-empty cells found with the same text at the same row and column. A PDF page also
    holds text outside its table (titles, paragraphs), which comes out as rows above it or columns beside it, so the
    expected grid is laid over ours at the row and column offset where it matches best."""
    e, g = grid(expected_csv), grid(got_csv)
    cells = [(r, c, cell) for r, row in enumerate(e) for c, cell in enumerate(row) if cell]
    if not cells:
        return 0.0
    width = max((len(row) for row in g), default=0)
    best = 0
    for dr in range(max(1, len(g))):
        for dc in range(max(1, width)):
            hits = sum(1 for r, c, cell in cells
                       if r + dr < len(g) and c + dc < len(g[r + dr]) and g[r + dr][c + dc] == cell)
            best = max(best, hits)
    return best / len(cells)


def naive_csv(text):
    """Lines split into cells on runs of two or more spaces, as CSV."""
    out = io.StringIO()
    writer = csv.writer(out, lineterminator="\n")
    for line in text.splitlines():
        if line.strip():
            writer.writerow([c for c in re.split(r"\s{2,}", line.strip())])
    return out.getvalue()


# ---------------------------------------------------------------------------------------------------------------------
# Sections


class Bench:
    def __init__(self, args):
        self.args = args
        self.ambrel = os.path.join(args.build, "ambrel")
        base = os.environ.copy()
        base.pop("OMP_THREAD_LIMIT", None)
        base["XDG_CONFIG_HOME"] = os.path.join(args.work, "config")  # no saved languages: the defaults apply
        base["QT_QPA_PLATFORM"] = "offscreen"
        self.default_env = base
        self.one_env = dict(base, OMP_THREAD_LIMIT="1")
        self.results = {}

    def image_cases(self, cases, folder, label):
        rows = []
        for case in cases:
            inp = os.path.join(folder, case["input"])
            expected = open(os.path.join(folder, case["expected"]), encoding="utf-8").read()
            kind = case["kind"]
            langs = [case.get("lang", "en-US")]
            lang = "+".join(TESSERACT_LANG[c] for c in langs)
            table = kind.endswith("table")
            mode = "csv" if table else ("code" if kind == "screen-code" else "plain")
            ambrel = ([self.ambrel, "--ocr", inp, "--mode", mode, "--lang", ",".join(langs)], self.default_env)
            if kind.startswith("pdf"):
                page = os.path.join(self.args.work, "page")
                refs = [(["sh", "-c", 'pdftoppm -r 180 "$0" "$1" && pdftotext "$0" -', inp, page], self.one_env)]
                ref = "pdftoppm -r 180 + pdftotext"
            else:
                cmd = ["tesseract", inp, "-", "-l", lang]
                refs = [(cmd, self.one_env), (cmd, self.default_env)]
                ref = "tesseract"
            times, outs = timed([ambrel] + refs, self.args.runs)
            text = grid_text(expected) if table else expected
            ours = grid_text(outs[0]) if table else outs[0]
            row = {"id": case["id"], "kind": kind, "mode": mode, "ref": ref, "size": case.get("size"),
                   "theme": case.get("theme"), "ambrel_s": times[0], "ref_s": times[1],
                   "ratio": times[0] / times[1], "expected": text, "ours": ours, "theirs": outs[1]}
            if len(times) > 2:
                row["ref_default_s"] = times[2]
                row["ratio_default"] = times[0] / times[2]
            if table:
                row["cells"] = cell_accuracy(expected, outs[0])
                if kind == "pdf-table":
                    # The naive reading a user could script: the page laid out by pdftotext, split on runs of
                    # two or more spaces.
                    _, layout = run(["pdftotext", "-layout", inp, "-"])
                    row["naive_cells"] = cell_accuracy(expected, naive_csv(layout))
            e, t = Errors().add(text, ours), Errors().add(text, outs[1])
            row.update(cer=e.cer, wer=e.wer, ref_cer=t.cer, ref_wer=t.wer)
            rows.append(row)
            print(f"{label} {case['id']}: ambrel {times[0]:.2f}s {ref} {times[1]:.2f}s ratio {row['ratio']:.2f}"
                  f" CER {e.cer:.3f} ({t.cer:.3f})" + (f" cells {row['cells']:.2f}" if table else ""), flush=True)
        return rows

    def corpus(self):
        cases = json.load(open(os.path.join(self.args.corpus, "manifest.json")))
        self.results["corpus"] = self.image_cases(cases, self.args.corpus, "corpus")

    def screen(self):
        folder, cases = self.screenset()
        cases = [c for c in cases if c["kind"].startswith("screen-")]
        self.results["screen"] = self.image_cases(cases, folder, "screen")

    def screenset(self):
        folder = os.path.join(self.args.work, "screenset")
        if not os.path.exists(os.path.join(folder, "manifest.json")):
            subprocess.run([os.path.join(self.args.build, "bench", "screenset_gen"), folder], check=True,
                           capture_output=True)
        return folder, json.load(open(os.path.join(folder, "manifest.json")))

    def code(self):
        folder, cases = self.screenset()
        rows = []
        for case in (c for c in cases if c["kind"].startswith("code-")):
            inp = os.path.join(folder, case["input"])
            expected = open(os.path.join(folder, case["expected"]), encoding="utf-8").read()
            ambrel = ([self.ambrel, "--ocr", inp, "--mode", "code", "--lang", "en-US"], self.default_env)
            ref = (["tesseract", inp, "-", "-l", "eng"], self.one_env)
            times, outs = timed([ambrel, ref], self.args.code_runs)
            want = "\n".join(code_lines(expected))
            row = {"id": case["id"], "kind": case["kind"], "size": case["size"], "theme": case["theme"],
                   "expected": expected, "ours": outs[0], "theirs": outs[1], "lines": len(code_lines(expected)),
                   "exact": exact_lines(expected, outs[0]), "ref_exact": exact_lines(expected, outs[1]),
                   "chars": len(want), "edits": levenshtein(want, "\n".join(code_lines(outs[0]))),
                   "ref_edits": levenshtein(want, "\n".join(code_lines(outs[1]))), "ambrel_s": times[0],
                   "ref_s": times[1]}
            rows.append(row)
            print(f"code {row['id']}: lines exact {row['exact']}/{row['lines']} (tesseract {row['ref_exact']}), "
                  f"CER {row['edits'] / row['chars']:.3f} ({row['ref_edits'] / row['chars']:.3f})", flush=True)
        self.results["code"] = rows

    def scanned_pages(self):
        """The corpus's PDF pages rendered at 200 dpi in grey, without their text layer, as scans are."""
        folder = os.path.join(self.args.work, "scans")
        if os.path.isdir(folder):
            return folder, sorted(os.path.join(folder, f) for f in os.listdir(folder) if f.endswith(".png"))
        os.makedirs(folder)
        cases = json.load(open(os.path.join(self.args.corpus, "manifest.json")))
        for case in cases:
            if case["kind"].startswith("pdf"):
                subprocess.run(["pdftoppm", "-r", "200", "-gray", "-png",
                                os.path.join(self.args.corpus, case["input"]), os.path.join(folder, case["id"])],
                               check=True)
        return folder, sorted(os.path.join(folder, f) for f in os.listdir(folder) if f.endswith(".png"))

    def layout(self):
        """Words kept by each segmentation on full pages: tesseract's own CLI, so no build switch is needed."""
        _, pages = self.scanned_pages()
        rows = []
        for page in pages:
            case = os.path.basename(page).rsplit("-", 1)[0]
            pdf = os.path.join(self.args.corpus, "data", case + ".pdf")
            number = int(os.path.basename(page).rsplit("-", 1)[1].split(".")[0])
            truth = subprocess.run(["pdftotext", "-f", str(number), "-l", str(number), pdf, "-"],
                                   capture_output=True).stdout.decode("utf-8", "replace")
            cmds = [(["tesseract", page, "-", "-l", "eng", "--psm", psm], self.one_env) for psm in ("6", "3")]
            cmds.append(([self.ambrel, "--ocr", page, "--mode", "plain", "--lang", "en-US"], self.default_env))
            times, outs = timed(cmds, 1)
            row = {"page": os.path.basename(page), "single": word_recall(truth, outs[0]),
                   "auto": word_recall(truth, outs[1]), "ambrel": word_recall(truth, outs[2]),
                   "single_s": times[0], "auto_s": times[1], "ambrel_s": times[2]}
            rows.append(row)
            print(f"layout {row['page']}: word recall single-block {row['single']:.3f} ({times[0]:.1f}s) "
                  f"auto {row['auto']:.3f} ({times[1]:.1f}s) ambrel {row['ambrel']:.3f} ({times[2]:.1f}s)",
                  flush=True)
        self.results["layout"] = rows

    def batch_inputs(self):
        """--batch-pages scanned pages as separate PNG files, the corpus's pages over and over."""
        _, pages = self.scanned_pages()
        folder = os.path.join(self.args.work, "batch")
        os.makedirs(folder, exist_ok=True)
        batch = []
        for i in range(self.args.batch_pages):
            target = os.path.join(folder, f"scan-{i + 1:02d}.png")
            if not os.path.exists(target):
                shutil.copyfile(pages[i % len(pages)], target)
            batch.append(target)
        return batch

    def peak(self, cmd):
        """Runs cmd once under /usr/bin/time; returns its peak resident memory in MB, its seconds and its output."""
        start = time.perf_counter()
        proc = subprocess.run(["/usr/bin/time", "-f", "%M"] + cmd, capture_output=True, env=self.default_env)
        elapsed = time.perf_counter() - start
        peak_kb = int(proc.stderr.decode().strip().splitlines()[-1])
        return peak_kb / 1024, elapsed, proc.stdout.decode().strip()

    def batch(self):
        batch = self.batch_inputs()
        count = len(batch)
        out = os.path.join(self.args.work, "batch.xlsx")
        loop = 'for p in "$@"; do tesseract "$p" - -l eng >/dev/null 2>&1; done'
        cmds = [([self.ambrel, "--batch", out] + batch, self.default_env),
                (["sh", "-c", loop, "sh"] + batch, self.one_env)]
        times, _ = timed(cmds, self.args.batch_runs)
        # Tesseract with its default threads takes minutes for 20 pages here: one run is enough to show the gap.
        default_s, _ = run(["sh", "-c", loop, "sh"] + batch, self.default_env)
        self.results["batch"] = {"pages": count, "ambrel_s": times[0], "one_s": times[1], "default_s": default_s,
                                 "vs_one": times[1] / times[0], "vs_default": default_s / times[0]}
        print("batch", json.dumps(self.results["batch"]), flush=True)

    def memory(self):
        count = self.args.memory_pages
        cases = json.load(open(os.path.join(self.args.corpus, "manifest.json")))
        sources = [os.path.join(self.args.corpus, c["input"]) for c in cases if c["kind"] == "pdf-table"]
        pdf = os.path.join(self.args.work, f"pages-{count}.pdf")
        if not os.path.exists(pdf):
            inputs = [sources[i % len(sources)] for i in range(count)]
            subprocess.run(["pdfunite"] + inputs + [pdf], check=True)
        out = os.path.join(self.args.work, "memory.xlsx")
        peak_mb, seconds, output = self.peak([self.ambrel, "--batch", out, pdf])
        self.results["memory"] = {"pages": count, "peak_mb": peak_mb, "seconds": seconds, "output": output}
        pictures = self.batch_inputs()
        peak_mb, seconds, _ = self.peak([self.ambrel, "--batch", out] + pictures)
        self.results["memory"].update(pictures=len(pictures), pictures_peak_mb=peak_mb, pictures_seconds=seconds)
        print("memory", json.dumps(self.results["memory"]), flush=True)


# ---------------------------------------------------------------------------------------------------------------------
# Reporting


def median_of(rows, key):
    values = [r[key] for r in rows if key in r]
    return statistics.median(values) if values else float("nan")


def errors_of(rows, ours):
    total = Errors()
    for r in rows:
        total.add(r["expected"], r["ours"] if ours else r["theirs"])
    return total


def summary(results):
    lines = []
    if "corpus" in results:
        rows = results["corpus"]
        images = [r for r in rows if r["ref"] == "tesseract"]
        text = [r for r in rows if r["kind"] == "image-text"]
        pdfs = [r for r in rows if r["kind"].startswith("pdf")]
        tables = [r for r in rows if "cells" in r]
        lines.append(f"- Corpus images, `ambrel --ocr` / `OMP_THREAD_LIMIT=1 tesseract IMAGE -`: median "
                     f"{median_of(images, 'ratio'):.2f} ×, worst {max(r['ratio'] for r in images):.2f} × "
                     f"(target ≤ 1.15 ×); against tesseract's default threads: median "
                     f"{median_of(images, 'ratio_default'):.2f} ×.")
        lines.append(f"- Corpus PDFs, `ambrel --ocr` / (`pdftoppm -r 180` + `pdftotext`): median "
                     f"{median_of(pdfs, 'ratio'):.2f} ×, worst {max(r['ratio'] for r in pdfs):.2f} × "
                     f"(target ≤ 1.2 ×).")
        ours, theirs = errors_of(text, True), errors_of(text, False)
        lines.append(f"- Corpus text images (`--mode plain`): CER {ours.cer:.3f}, WER {ours.wer:.3f}; tesseract CER "
                     f"{theirs.cer:.3f}, WER {theirs.wer:.3f} (target: ours not worse).")
        def mean_cells(kind, key="cells"):
            values = [r[key] for r in rows if r["kind"] == kind and key in r]
            return (statistics.mean(values) if values else float("nan")), (min(values) if values else float("nan"))
        scan = [r for r in rows if r["id"] == "d-tx-docling-twocolumn-scan"]
        if scan:
            lines.append(f"- Two-column scan (`d-tx-docling-twocolumn-scan`, `--mode plain`): CER {scan[0]['cer']:.3f} "
                         f"(target ≤ 0.05; tesseract {scan[0]['ref_cer']:.3f}).")
        worse = [r["id"] for r in text if r["cer"] > r["ref_cer"] + 1e-9]
        lines.append(f"- Text images at most tesseract's CER: {len(text) - len(worse)} of {len(text)}"
                     + (f" (worse: {', '.join(worse)})" if worse else "") + ".")
        pdf_mean, pdf_min = mean_cells("pdf-table")
        naive_mean, _ = mean_cells("pdf-table", "naive_cells")
        lines.append(f"- pdf-table cases: mean aligned cell accuracy {pdf_mean:.2f}, lowest {pdf_min:.2f} "
                     f"(targets ≥ 0.85, none below 0.5; `pdftotext -layout` split on 2+ spaces: {naive_mean:.2f}).")
        image_mean, _ = mean_cells("image-table")
        lines.append(f"- image-table cases: mean aligned cell accuracy {image_mean:.2f} (target ≥ 0.60).")
        page_mean, page_min = mean_cells("page-table")
        lines.append(f"- page-table cases (scanned pages): mean aligned cell accuracy {page_mean:.2f}, lowest "
                     f"{page_min:.2f} (target ≥ 0.90).")
        lines.append(f"- Text-layer PDF pages: median time {median_of(pdfs, 'ratio'):.2f} × `pdftoppm -r 180` + "
                     f"`pdftotext` of the same page (target ≤ 1.5 ×).")
        lines.append(f"- Corpus tables (`--mode csv`): mean cell accuracy "
                     f"{statistics.mean(r['cells'] for r in tables):.2f} over {len(tables)} tables "
                     f"({statistics.mean(r['cells'] for r in tables if r['kind'] == 'image-table'):.2f} on images, "
                     f"{statistics.mean(r['cells'] for r in tables if r['kind'] == 'pdf-table'):.2f} on PDFs).")
    if "screen" in results:
        rows = results["screen"]
        # Tables are left out of the error rates: tesseract reads a table column after column, so its rate there
        # measures reading order, not recognition. Tables are judged by their cells below.
        small = [r for r in rows if r["size"] <= 12 and r["kind"] != "screen-table"]
        ours, theirs = errors_of(small, True), errors_of(small, False)
        light = errors_of([r for r in small if r["theme"] == "light"], True)
        dark = errors_of([r for r in small if r["theme"] == "dark"], True)
        lines.append(f"- Drawn screen text and code 9-12 px ({len(small)} images): CER {ours.cer:.4f} against tesseract's "
                     f"{theirs.cer:.4f} (target ≤ half: {ours.cer / max(theirs.cer, 1e-9):.2f} of it); "
                     f"light {light.cer:.4f}, dark {dark.cer:.4f} (target: dark ≤ light).")
        big = [r for r in rows if r["size"] > 12 and r["kind"] != "screen-table"]
        lines.append(f"- Drawn screen text and code 13-14 px: CER {errors_of(big, True).cer:.4f} against tesseract's "
                     f"{errors_of(big, False).cer:.4f}; screen tables: mean cell accuracy "
                     f"{statistics.mean(r['cells'] for r in rows if 'cells' in r):.2f}; time against "
                     f"`OMP_THREAD_LIMIT=1 tesseract`: median {median_of(rows, 'ratio'):.2f} ×.")
    if "code" in results:
        rows = results["code"]

        def share(picked, exact="exact", edits="edits"):
            lines = sum(r["lines"] for r in picked)
            chars = sum(r["chars"] for r in picked)
            return (f"{sum(r[exact] for r in picked)}/{lines} lines exact "
                    f"({100 * sum(r[exact] for r in picked) / max(1, lines):.1f} %), CER with white space kept "
                    f"{sum(r[edits] for r in picked) / max(1, chars):.4f}")

        mono = [r for r in rows if r["kind"] == "code-mono"]
        for label, picked in (("11-16 px", [r for r in mono if r["size"] >= 11]),
                              ("10 px", [r for r in mono if r["size"] == 10])):
            lines.append(f"- Code, monospace {label} ({len(picked)} images, `--mode code`): {share(picked)}; "
                         f"tesseract {share(picked, 'ref_exact', 'ref_edits')} (targets ≥ 95 % at 11 px and above, "
                         f"≥ 85 % at 10 px; CER ≤ 0.01).")
        for theme in ("light", "dark"):
            picked = [r for r in mono if r["theme"] == theme]
            lines.append(f"- Code, monospace 10-16 px, {theme}: {share(picked)}.")
        picked = [r for r in rows if r["kind"] == "code-proportional"]
        if picked:
            lines.append(f"- Code in a proportional font ({len(picked)} images, Python in DejaVu Sans 12-16 px): "
                         f"{share(picked)}; tesseract {share(picked, 'ref_exact', 'ref_edits')}.")
    if "batch" in results:
        b = results["batch"]
        lines.append(f"- `--batch` of {b['pages']} scanned pages: {b['ambrel_s']:.1f} s; "
                     f"`OMP_THREAD_LIMIT=1 tesseract` one after the other {b['one_s']:.1f} s "
                     f"({b['vs_one']:.2f} × the pages per second, target ≥ 1.7 ×); plain `tesseract` "
                     f"{b['default_s']:.1f} s ({b['vs_default']:.2f} ×, target ≥ 5 ×).")
    if "memory" in results:
        m = results["memory"]
        lines.append(f"- `--batch` of a {m['pages']}-page PDF: peak resident memory {m['peak_mb']:.0f} MB "
                     f"(target < 500 MB), {m['seconds']:.0f} s.")
        if "pictures" in m:
            lines.append(f"- `--batch` of the {m['pictures']} scanned pages as PNG files: peak resident memory "
                         f"{m['pictures_peak_mb']:.0f} MB (pictures are decoded when their turn comes).")
    if "layout" in results:
        rows = results["layout"]
        lines.append(f"- Full scanned pages ({len(rows)}, corpus PDFs at 200 dpi without text layer), words kept "
                     f"(order-blind recall against the text layer): single-block "
                     f"{statistics.mean(r['single'] for r in rows):.3f}, automatic "
                     f"{statistics.mean(r['auto'] for r in rows):.3f}, ambrel "
                     f"{statistics.mean(r['ambrel'] for r in rows):.3f}.")
    return "\n".join(lines)


def table(results):
    lines = ["| case | kind | ambrel s | reference | ref s (1 thread) | ratio | ref s (default) | CER (tesseract) "
             "| WER (tesseract) | cells |",
             "|---|---|---|---|---|---|---|---|---|---|"]
    for section in ("corpus", "screen"):
        for r in results.get(section, []):
            default = f"{r['ref_default_s']:.2f}" if "ref_default_s" in r else ""
            cells = f"{r['cells']:.2f}" if "cells" in r else ""
            # pdftotext prints the whole page, not the table: its error rate against a table means nothing.
            ref_cer = "–" if r["kind"] == "pdf-table" else f"{r['ref_cer']:.3f}"
            ref_wer = "–" if r["kind"] == "pdf-table" else f"{r['ref_wer']:.3f}"
            lines.append(f"| {r['id']} | {r['kind']} ({r['mode']}) | {r['ambrel_s']:.2f} | {r['ref']} | "
                         f"{r['ref_s']:.2f} | {r['ratio']:.2f} | {default} | {r['cer']:.3f} ({ref_cer}) | "
                         f"{r['wer']:.3f} ({ref_wer}) | {cells} |")
    return "\n".join(lines)


def write_between(path, marker, body):
    text = open(path, encoding="utf-8").read()
    start, end = f"<!-- {marker} -->", f"<!-- /{marker} -->"
    if start not in text or end not in text:
        sys.stderr.write(f"warning: {path} has no {start} … {end} markers\n")
        return
    head, rest = text.split(start, 1)
    _, tail = rest.split(end, 1)
    open(path, "w", encoding="utf-8").write(head + start + "\n" + body + "\n" + end + tail)


ABOUT = """\
`bench/compare.py` runs every measurement below in one go, each command interleaved with its reference and timed as
the median of several runs (this 2-core machine is shared, so absolute times drift; ratios measured side by side
hold). It regenerates the drawn screen set with `screenset_gen` (UI text, code and ruled or striped tables in DejaVu
fonts at 9-14 px, light and dark themes, cropped 4 px around the text; ground truth beside every image) and writes
this section and the per-case table below. A file's page is laid out first: a PDF page with a text layer is read
from it without recognition; an image with columns or pictures is read block by block in the order of Tesseract's
layout analysis, each table region read again as one block; an image without them is read as one block, as a
screen box is. Cell accuracy is aligned: the expected grid is laid over ours where it matches best."""


def report(results, command, runs, readme):
    text = summary(results)
    per_case = table(results)
    print(text)
    print(per_case)
    if readme:
        stamp = time.strftime("%Y-%m-%d")
        write_between(readme, "bench:summary",
                      f"{ABOUT}\n\nMeasured {stamp} with `{command}` (medians of {runs} interleaved runs):\n\n" + text)
        if per_case.count("\n") > 1:
            write_between(readme, "bench:compare", per_case)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default=os.path.join(here, "..", "build"),
                        help="build directory holding ambrel and bench/screenset_gen")
    parser.add_argument("--corpus", default=os.path.join(here, "..", "..", "shared", "corpus"))
    parser.add_argument("--runs", type=int, default=3, help="interleaved runs per command; the median counts")
    parser.add_argument("--only", default="corpus,screen,code,layout,batch,memory")
    parser.add_argument("--code-runs", type=int, default=1, help="runs per command of the code section")
    parser.add_argument("--batch-pages", type=int, default=20)
    parser.add_argument("--batch-runs", type=int, default=3)
    parser.add_argument("--memory-pages", type=int, default=200)
    parser.add_argument("--work", help="folder for generated inputs (a temporary one by default)")
    parser.add_argument("--json", help="also write all results to this file")
    parser.add_argument("--readme", help="README.md to write the summary and the per-case table into")
    parser.add_argument("--from-json", help="report results saved earlier with --json instead of measuring")
    args = parser.parse_args()
    if args.from_json:
        saved = json.load(open(args.from_json))
        if "results" not in saved:  # written before the command was saved with the results
            saved = {"results": saved, "command": "bench/compare.py --build BUILD --readme README.md", "runs": 3}
        results, command, runs = saved["results"], saved["command"], saved["runs"]
        report(results, command, runs, args.readme)
        return 0

    temporary = None
    if not args.work:
        temporary = tempfile.mkdtemp(prefix="ambrel-compare-")
        args.work = temporary
    os.makedirs(args.work, exist_ok=True)
    try:
        bench = Bench(args)
        for section in args.only.split(","):
            getattr(bench, section)()
    finally:
        if temporary:
            shutil.rmtree(temporary, ignore_errors=True)

    command = " ".join(["bench/compare.py"] + sys.argv[1:])
    if args.json:
        json.dump({"results": bench.results, "command": command, "runs": args.runs}, open(args.json, "w"), indent=1)
    report(bench.results, command, args.runs, args.readme)
    return 0


if __name__ == "__main__":
    sys.exit(main())
