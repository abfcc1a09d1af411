#!/usr/bin/env python3
"""Prints the ground-truth figures of wallsim (one JSON object) as a few lines.

usage: figures.py FIGURES.json
"""
import json
import sys


def describe(figures):
    out = []
    for key, value in figures.items():
        if isinstance(value, list):
            for item in value:
                if isinstance(item, dict):
                    parts = []
                    for k, v in item.items():
                        if isinstance(v, dict) and "rmsError" in v:
                            parts.append(f"{k} {v['min']:.3f}..{v['max']:.3f}")
                        elif isinstance(v, list):
                            parts.append(f"{k} {' '.join(map(str, v))}")
                        elif isinstance(v, str):
                            parts.append(v)
                        elif isinstance(v, dict) and "rms" in v:
                            parts.append(f"{k} rms {v['rms']:.2f} max {v.get('max', 0):.2f}")
                        elif isinstance(v, (int, float)) and not isinstance(v, bool):
                            parts.append(f"{k} {v:.3g}" if isinstance(v, float) else f"{k} {v}")
                    out.append(f"  {key}: " + ", ".join(parts))
    return out


with open(sys.argv[1]) as f:
    data = json.load(f)
print("\n".join(describe(data)) or json.dumps(data))
