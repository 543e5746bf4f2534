#!/usr/bin/env python3
"""SIGKILL at random moments while pro.data and macro.data are saved, then a load: torn or lost
stores.

Each cycle starts `talvik_store_kill loop DIR` (the real ProfileStore and MacroStore saving
generation after generation of edits, printing "saved G" once both files of G are on disk),
kills it after a random delay of 0..--max-delay-ms, and loads the stores with
`talvik_store_kill check DIR`. A cycle counts as
  torn  when a load found a damaged file (moved aside as *.bad), records that are no
        generation's whole edit, or a generation newer than any the loop could have written;
  lost  when a store is older than the last generation reported saved (or missing).
At the end the stores are read once more with talvik-mousectl (`store show`) when it is there.

    bench/scripts/store_kill_soak.py --bindir build --cycles 1000
"""

import argparse
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time


def parse_check(line):
    words = line.split()
    # profiles G damaged D macros G damaged D
    if len(words) != 8 or words[0] != "profiles" or words[4] != "macros":
        raise RuntimeError(f"unexpected check output: {line!r}")
    return words[1], words[3] == "1", words[5], words[7] == "1"


def generation(text):
    return int(text) if text.isdigit() else None


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--bindir", default="build", help="the build folder")
    parser.add_argument("--cycles", type=int, default=1000)
    parser.add_argument("--max-delay-ms", type=float, default=60)
    parser.add_argument("--seed", type=int, default=None)
    args = parser.parse_args()
    helper = os.path.join(args.bindir, "bench", "talvik_store_kill")
    tool = os.path.join(args.bindir, "bin", "talvik-mousectl")
    rng = random.Random(args.seed)

    base = os.environ.get("TALVIK_BENCH_DIR") or None
    data = tempfile.mkdtemp(prefix="talvik-kill-soak-", dir=base)
    acked = 0  # the last generation the loop reported saved, both files
    high = 0  # the newest generation a load found
    torn = lost = 0
    killed_saving = 0  # cycles whose run had reported a save before the kill
    problems = []
    try:
        for cycle in range(args.cycles):
            process = subprocess.Popen([helper, "loop", data], stdout=subprocess.PIPE,
                                       stderr=subprocess.PIPE, text=True)
            time.sleep(rng.uniform(0, args.max_delay_ms) / 1000)
            process.send_signal(signal.SIGKILL)
            out, err = process.communicate()
            if process.returncode != -signal.SIGKILL:
                raise RuntimeError(f"the saving loop ended by itself ({process.returncode}): {err}")
            saved = [int(line.split()[1]) for line in out.splitlines()
                     if line.startswith("saved ")]
            if saved:
                killed_saving += 1
                acked = max(acked, saved[-1])
            check = subprocess.run([helper, "check", data], capture_output=True, text=True,
                                   check=True)
            pg_text, p_damaged, mg_text, m_damaged = parse_check(check.stdout.strip())
            pg, mg = generation(pg_text), generation(mg_text)
            newest = max(acked, high) + 1  # one save may have ended unreported
            bad = p_damaged or m_damaged or "torn" in (pg_text, mg_text) or (
                pg is not None and pg > newest) or (mg is not None and mg > newest)
            gone = acked > 0 and (pg is None or mg is None or pg < acked or mg < acked)
            torn += bad
            lost += gone
            if bad or gone:
                problems.append(f"cycle {cycle}: last saved {acked}, check: "
                                f"{check.stdout.strip()}")
            if pg is not None:
                high = max(high, pg)
            if (cycle + 1) % 100 == 0:
                print(f"{cycle + 1} kills: generation {max(acked, high)}, torn {torn}, lost {lost}",
                      flush=True)
        leftovers = sorted(set(os.listdir(os.path.join(data, "ms_5"))) -
                           {"pro.data", "macro.data"})
        shown = None
        if os.path.exists(tool):
            shown = subprocess.run([tool, "store", "show", "0", "--data-dir", data],
                                   capture_output=True, text=True)
    finally:
        shutil.rmtree(data, ignore_errors=True)

    for line in problems[:20]:
        print(line)
    print(f"{args.cycles} kills ({killed_saving} after at least one save of the run, the rest "
          f"while starting or loading), last generation {acked}: torn {torn}, lost {lost}; "
          f"other files left in ms_5: {leftovers or 'none'}")
    if shown is not None:
        names = [line.strip() for line in shown.stdout.splitlines() if '"name"' in line]
        print(f"talvik-mousectl store show 0: exit {shown.returncode}, "
              f"{names[0] if names else shown.stderr.strip()}")
    return 0 if torn == 0 and lost == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
