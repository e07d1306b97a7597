#!/usr/bin/env python3
"""Picks a few inputs from a fuzzer's working corpus for the committed corpus of a target.

The committed corpus stays small: the hand-made seeds, every crash reproducer, and the inputs
that add the most coverage to those, at most --count of them (greedy set cover over the features
that a libFuzzer merge reports).
    python3 fuzz/pick_corpus.py <fuzzer binary> <target> <working corpus folder> [--count 30]
"""
import argparse
import pathlib
import shutil
import subprocess
import tempfile

HERE = pathlib.Path(__file__).resolve().parent


def features_by_file(fuzzer, folders):
    with tempfile.TemporaryDirectory() as scratch:
        control = pathlib.Path(scratch) / "control"
        out = pathlib.Path(scratch) / "merged"
        out.mkdir()
        subprocess.run([fuzzer, "-merge=1", f"-merge_control_file={control}", str(out), *folders],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        lines = control.read_text().splitlines()
    count = int(lines[0])
    files = lines[2:2 + count]
    features = {}
    for line in lines[2 + count:]:
        parts = line.split()
        if parts and parts[0] == "FT":
            features[files[int(parts[1])]] = set(map(int, parts[2:]))
    return features


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("fuzzer")
    parser.add_argument("target")
    parser.add_argument("work")
    parser.add_argument("--count", type=int, default=30)
    args = parser.parse_args()

    corpus = HERE / "corpus" / args.target
    features = features_by_file(args.fuzzer, [str(corpus), args.work])
    kept = {f for f in features if pathlib.Path(f).parent == corpus}
    covered = set().union(*(features[f] for f in kept)) if kept else set()
    candidates = {f: s for f, s in features.items() if f not in kept}
    picked = 0
    while picked < args.count and candidates:
        best = max(candidates, key=lambda f: (len(candidates[f] - covered), -pathlib.Path(f).stat().st_size))
        gain = candidates.pop(best) - covered
        if not gain:
            break
        covered |= gain
        shutil.copy(best, corpus / pathlib.Path(best).name)
        picked += 1
        print(f"{pathlib.Path(best).name}: {len(gain)} new features")
    print(f"{picked} inputs added to {corpus}")


if __name__ == "__main__":
    main()
