"""Summary of peer_bench runs: per-bench medians and same-round ratios QX / peer, with goals.

Each argument is the output of one run: lines "sample <round> <bench> <ns per op>".
"""
import re
import statistics
import sys
from collections import defaultdict

# (label, QX bench, peer bench, goal: the ratio must stay at or below it)
GOALS = [
    ("game frame (29 calls)", "frame_qx", "frame_allegro", 0.30),
    ("draw_point, 1M points (per point)", "prim_qx_putpixel_1M", "prim_allegro_putpixel_1M", 1.5),
    ("horizontal line 640", "prim_qx_hline_640", "prim_allegro_hline_640", 1.0),
    ("filled ellipse 20 x 6", "prim_qx_ellipsefill_20x6", "prim_allegro_ellipsefill_20x6", 0.7),
    ("filled circle r25", "prim_qx_circlefill_r25", "prim_allegro_circlefill_r25", 0.6),
    ("filled circle r100", "prim_qx_circlefill_r100", "prim_allegro_circlefill_r100", 0.6),
    ("chaser boxes (6 outlines)", "frame_qx_part_chasers", "frame_allegro_part_chasers", 0.6),
    ("8 -> 32, chosen (per px)", "blit8to32_qx_640x480", "blit8to32_sdl_640x480", 0.7),
    ("8 -> 32, plain group", "blit8to32_qx_plain_640x480", "blit8to32_sdl_640x480", 1.5),
    ("16 -> 32, plain group", "blit16to32_qx_plain_640x480", "blit16to32_sdl_640x480", 1.5),
    ("32 swap, plain group", "blit32swap_qx_plain_640x480", "blit32swap_sdl_640x480", 1.5),
    ("16 -> 32, chosen", "blit16to32_qx_640x480", "blit16to32_sdl_640x480", 0.45),
    ("32 swap, chosen", "blit32swap_qx_640x480", "blit32swap_sdl_640x480", 0.45),
]


def read_runs(paths):
    runs = []
    for path in paths:
        rounds = defaultdict(dict)
        with open(path) as f:
            for line in f:
                parts = line.split()
                if len(parts) == 4 and parts[0] == "sample":
                    rounds[int(parts[1])][parts[2]] = float(parts[3])
        runs.append(rounds)
    return runs


def peer_of(name):
    """The peer a QX bench is compared with: Allegro for drawing, SDL's blit for conversions."""
    if name.startswith("frame_qx") or name.startswith("prim_qx"):
        return name.replace("_qx", "_allegro", 1)
    m = re.match(r"(blit\w+?)_qx(?:_plain|_fast)?(_\d+x\d+)$", name)
    return m.group(1) + "_sdl" + m.group(2) if m else None


def main():
    runs = read_runs(sys.argv[1:])
    names = []
    for rounds in runs:
        for samples in rounds.values():
            names += [n for n in samples if n not in names]
    per_run_median = defaultdict(list)
    minimum = defaultdict(lambda: float("inf"))
    for rounds in runs:
        for name in names:
            values = [r[name] for r in rounds.values() if name in r]
            if values:
                per_run_median[name].append(statistics.median(values))
                minimum[name] = min(minimum[name], min(values))
    ratios = defaultdict(list)
    for rounds in runs:
        for samples in rounds.values():
            for name, value in samples.items():
                peer = peer_of(name)
                if peer and peer in samples:
                    ratios[name].append(value / samples[peer])

    print(f"{'bench':36} {'median':>10} {'min':>10}  (ns per op; px for conversions)")
    for name in names:
        print(f"{name:36} {statistics.median(per_run_median[name]):10.4g} {minimum[name]:10.4g}")
    print()
    print(f"{'QX bench / peer':56} {'median':>7} {'min':>7} {'max':>7}")
    for name in names:
        if ratios[name]:
            r = ratios[name]
            label = f"{name} / {peer_of(name)}"
            print(f"{label:56} {statistics.median(r):7.3f} {min(r):7.3f} {max(r):7.3f}")
    print()
    print("| workload | QX | peer | ratio (median, min-max) | goal |")
    print("|---|---|---|---|---|")
    for label, qx, peer, goal in GOALS:
        if not ratios[qx]:
            continue
        r = ratios[qx]
        mark = "" if statistics.median(r) <= goal else " (not reached)"
        print(f"| {label} | {statistics.median(per_run_median[qx]):.4g} "
              f"| {statistics.median(per_run_median[peer]):.4g} "
              f"| {statistics.median(r):.2f} ({min(r):.2f}-{max(r):.2f}) | <= {goal}{mark} |")


if __name__ == "__main__":
    main()
