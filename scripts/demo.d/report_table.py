#!/usr/bin/env python3
"""Prints a calibration report (Report-*.json) as a table, one row per projector."""
import json
import sys


def cell(value, digits):
    return "-" if value is None else f"{value:.{digits}f}"


def main(path):
    with open(path, encoding="utf-8") as f:
        report = json.load(f)
    run = report["run"]
    seconds = run["seconds"]
    print(f"{run['kind']} {run['outcome']}  (capture {seconds['capture']:.1f} s, compute {seconds['compute']:.1f} s,"
          f" download {seconds['download']:.1f} s)")
    t = report["thresholds"]
    print(f"thresholds: residual {t['residualRms']} px RMS, coverage {t['coverage']}, drift {t['drift']} px")
    header = ("projector", "verdict", "blocks", "residual rms", "max", "extrap.", "coverage", "drift px", "exceeded")
    rows = [header]
    for p in report["projectors"]:
        blocks = p["blocks"]
        found = "-" if blocks["found"] is None else f"{blocks['found']}/{blocks['expected']}"
        drift = p["drift"]["panel"]["rms"] if p["drift"] else None
        rows.append((p["address"], p["verdict"], found, cell(p["residual"]["rms"], 2), cell(p["residual"]["max"], 2),
                     cell(p["extrapolation"], 1), cell(p["coverage"], 3), cell(drift, 2), ",".join(p["exceeded"])))
    widths = [max(len(str(r[i])) for r in rows) for i in range(len(header))]
    for r in rows:
        print("  ".join(str(v).ljust(w) for v, w in zip(r, widths)).rstrip())


if __name__ == "__main__":
    main(sys.argv[1])
