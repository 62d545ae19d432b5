#!/usr/bin/env python3
"""Gathers the scale benchmark's JSON (scripts/bench scale) into one document and a table.

    bench_scale.py <folder>

The folder holds, per structure count N, model<N>.json (bench_scale_model), startup<N>.json
(bench_startup), interaction<N>-874x777.json and interaction<N>-1920x1080.json
(bench_interaction). Prints the whole JSON, then the table with one row per model; every ratio is
against a baseline measured in the same run.
"""
import json
import pathlib
import re
import sys


def read(path):
    try:
        return json.loads(path.read_text())
    except (OSError, ValueError) as error:
        return {"error": f"{path.name}: {error}"}


def main():
    folder = pathlib.Path(sys.argv[1])
    counts = sorted(int(re.search(r"\d+", p.name).group())
                    for p in folder.glob("model*.json"))
    rows = []
    for n in counts:
        rows.append({
            "structures": n,
            "model": read(folder / f"model{n}.json"),
            "startup": read(folder / f"startup{n}.json"),
            "interaction_874x777": read(folder / f"interaction{n}-874x777.json"),
            "interaction_1920x1080": read(folder / f"interaction{n}-1920x1080.json"),
        })
    print(json.dumps({"benchmark": "scale", "models": rows}, indent=2))

    def get(data, *keys):
        for key in keys:
            if not isinstance(data, dict) or key not in data:
                return None
            data = data[key]
        return data

    def number(value, form="{:.0f}"):
        return "-" if value is None else form.format(value)

    print()
    print("| structures | triangles | volume | load to first frame, cold cache (ratio) "
          "| second start (ratio) | peak memory: viewer / VTK / Qt+VTK (ratios) "
          "| drag 874x777 / 1920x1080 | rotation 874 / 1920 | section step | labels | picking |")
    print("|---" * 11 + "|")
    for row in rows:
        s, model = row["startup"], row["model"]
        small, large = row["interaction_874x777"], row["interaction_1920x1080"]
        ratio = lambda d, *k: number(get(d, *k), "{:.2f}")
        picking = [get(d, "picking", key) for d in (small, large)
                   for key in ("resting_ratio", "moving_ratio")]
        picking = [p for p in picking if p is not None]
        print("| {} | {} | {} | {} / {} ms ({}) | {} / {} ms ({}) | {} / {} / {} MB ({} / {}) "
              "| {} / {} ms | {} / {} | {} / {} | {} / {} | {} |".format(
                  row["structures"],
                  number(get(model, "structure_triangles")),
                  "x".join(str(v) for v in get(model, "volume") or []) or "-",
                  number(get(s, "viewer", "startup_to_first_frame_ms")),
                  number(get(s, "baseline", "startup_to_last_frame_ms")),
                  ratio(s, "startup_ratio"),
                  number(get(s, "warm_shader_cache", "viewer_startup_ms")),
                  number(get(s, "warm_shader_cache", "baseline_startup_ms")),
                  ratio(s, "warm_shader_cache", "ratio"),
                  number(get(s, "viewer", "peak_rss_mb")),
                  number(get(s, "baseline", "peak_rss_mb")),
                  number(get(s, "qt_baseline", "peak_rss_mb")),
                  ratio(s, "peak_rss_ratio"),
                  ratio(s, "peak_rss_ratio_qt_baseline"),
                  number(get(small, "interactive_rotation", "frame_ms"), "{:.1f}"),
                  number(get(large, "interactive_rotation", "frame_ms"), "{:.1f}"),
                  ratio(small, "rotation", "ratio"),
                  ratio(large, "rotation", "ratio"),
                  ratio(small, "section_step", "ratio"),
                  ratio(large, "section_step", "ratio"),
                  ratio(small, "labels", "rotation_ratio"),
                  ratio(large, "labels", "rotation_ratio"),
                  "-" if not picking else "{:.2f}".format(max(picking))))
    print("targets at 40 structures: load 1.0, second start 0.9 (sample), peak memory 1.15 (VTK) "
          "and 1.10 (Qt+VTK), drag 20 / 33 ms, rotation 1.1, section 1.2, labels and picking "
          "1.05")


if __name__ == "__main__":
    main()
