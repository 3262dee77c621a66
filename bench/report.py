#!/usr/bin/env python3
"""report.py <raw folder> <table.md> <plot folder>: the table of one bench/run
from its raw outputs, and the data files of its latency plot."""
import json
import os
import sys
import time

raw, table_path, plot_dir = sys.argv[1:4]
os.makedirs(plot_dir, exist_ok=True)


def stages(before=False):
    """Median of each stage benchmark: name -> (milliseconds, counters); with
    `before`, those of the earlier build (files named before-*.json)."""
    found = {}
    for name in sorted(os.listdir(raw)):
        if not name.endswith(".json") or name.startswith("before-") != before:
            continue
        try:
            with open(os.path.join(raw, name)) as f:
                data = json.load(f)
        except (OSError, ValueError):
            continue
        for b in data.get("benchmarks", []):
            if b.get("aggregate_name") != "median":
                continue
            scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b.get("time_unit", "ns")]
            skip = {"name", "run_name", "run_type", "aggregate_name", "aggregate_unit", "family_index",
                    "per_family_instance_index", "repetitions", "threads", "iterations", "real_time", "cpu_time",
                    "time_unit", "repetition_index", "error_occurred", "error_message"}
            counters = {k: v for k, v in b.items() if k not in skip and isinstance(v, (int, float))}
            found[b["run_name"]] = (b["real_time"] * scale, counters)
    return found


def http():
    """(series, connections) -> (p50 ms, p99 ms, requests/s)."""
    found = {}
    path = os.path.join(raw, "http.txt")
    if os.path.exists(path):
        for line in open(path):
            parts = line.split()
            if len(parts) == 5:
                found[(parts[0], int(parts[1]))] = tuple(float(x) for x in parts[2:])
    return found


def soak():
    path = os.path.join(raw, "soak.txt")
    if not os.path.exists(path):
        return None
    samples = [line.split() for line in open(path) if line.strip() and not line.startswith("#")]
    samples = [(int(a), int(b)) for a, b in samples]
    return samples


S, B, H, K = stages(), stages(before=True), http(), soak()


def ratio(a, b):
    return f"{a / b:.2f}" if a is not None and b else "n/a"


def get_http(series, connections, field):
    value = H.get((series, connections))
    return value[field] if value else None


def get_stage(name):
    return S.get(name, (None, {}))


out = []
out.append("# Page path benchmarks: one run of bench/run\n")
out.append(f"Run {time.strftime('%Y-%m-%d %H:%M UTC', time.gmtime())} on a machine with {os.cpu_count()} cores "
           "(shared with other work; every figure below comes from this one run).\n")
steady_typ, typ_counters = get_stage("BM_Refresh/SteadyTypical")
steady_large, large_counters = get_stage("BM_Refresh/SteadyLarge")
before_steady = B.get("BM_Refresh/SteadyTypical", (None,))[0]


def fmt(v, unit=""):
    return "n/a" if v is None else f"{v:.2f}{unit}"


def page_figures(prefix, steady):
    """The page figures of one build: (label, value, goal) rows."""
    def h(series, connections, field):
        return get_http(prefix + series, connections, field)

    large_p99, large_p50 = h("vxa-large", 16, 1), h("vxa-large", 1, 0)
    return [
        ("VXA.htm p50, typical without applications, 1 connection / p50 of one steady refresh",
         f"{ratio(h('vxa-typical-bare', 1, 0), steady)} ({fmt(h('vxa-typical-bare', 1, 0), ' ms')})", "<= 1.5"),
        ("Same, with the four example peers and one application that is not a peer",
         f"{ratio(h('vxa-typical', 1, 0), steady)} ({fmt(h('vxa-typical', 1, 0), ' ms')})", "<= 2"),
        ("Throughput 16 / 1 connections, typical",
         f"{ratio(h('vxa-typical', 16, 2), h('vxa-typical', 1, 2))} ({fmt(h('vxa-typical', 16, 2))} / "
         f"{fmt(h('vxa-typical', 1, 2))} requests/s)", ">= 6"),
        ("Throughput 64 / 16 connections, typical",
         f"{ratio(h('vxa-typical', 64, 2), h('vxa-typical', 16, 2))} ({fmt(h('vxa-typical', 64, 2))} / "
         f"{fmt(h('vxa-typical', 16, 2))} requests/s)", ">= 1"),
        ("p99 at 16 connections / p50 at 1 connection, large machine",
         f"{ratio(large_p99, large_p50)} ({fmt(large_p99)} / {fmt(large_p50)} ms)", "<= 3"),
    ]


out.append("## Figures\n")
out.append(f"Steady refresh of the typical machine: {fmt(steady_typ, ' ms')}.\n")
out.append("| Figure | Value | Goal |")
out.append("|---|---|---|")
for label, value, goal in page_figures("", steady_typ):
    out.append(f"| {label} | {value} | {goal} |")
out.append(f"| Static page throughput, our server / nginx, 16 connections | "
           f"{ratio(get_http('static-qwex', 16, 2), get_http('static-nginx', 16, 2))} | >= 0.9 |")
if K:
    growth = (K[-1][1] - K[0][1]) / 1024
    out.append(f"| Resident memory growth over {K[-1][0]} page requests (first sample to last) | "
               f"{growth:.2f} MiB | < 2 MiB |")
else:
    out.append("| Resident memory growth over the soak | not run (bench/web/soak.sh) | < 2 MiB |")
for label, t, c in (("typical", steady_typ, typ_counters), ("large", steady_large, large_counters)):
    if t is None:
        out.append(f"| Refresh time and device calls per page, {label} | n/a | reported |")
    else:
        out.append(f"| Refresh time and device calls per page, {label} | {t:.2f} ms, "
                   f"{c.get('ioctls', 0):g} I/O calls, {c.get('opens', 0):g} device opens | reported |")
health, _ = get_stage("BM_HealthData/Large")
whole, _ = get_stage("BM_WholePage/LargeWithoutHealth")
with_health, _ = get_stage("BM_WholePage/LargeWithHealth")
if health is None or not whole:
    out.append("| Health data / whole page, large machine | n/a | <= 0.05 |")
else:
    out.append(f"| Health data / whole page, large machine | {health / whole:.4f} ({health:.3f} ms / {whole:.1f} ms; "
               f"whole page with it {with_health if with_health is None else f'{with_health:.1f}'} ms) | <= 0.05 |")

if B or any(series.startswith("before-") for series, _ in H):
    out.append("\n## Before and after (the earlier build measured in the same run)\n")
    out.append(f"Steady refresh of the typical machine, earlier build: {fmt(before_steady, ' ms')}.\n")
    out.append("| Figure | Before | After |")
    out.append("|---|---|---|")
    for (label, before_value, _), (_, after_value, _) in zip(page_figures("before-", before_steady),
                                                              page_figures("", steady_typ)):
        out.append(f"| {label} | {before_value} | {after_value} |")

out.append("\n## HTTP (wrk)\n")
out.append("| Page | Connections | p50 ms | p99 ms | requests/s |")
out.append("|---|---|---|---|---|")
series_names = ["vxa-typical-bare", "vxa-typical", "vxa-large", "static-qwex", "static-nginx",
                "before-vxa-typical-bare", "before-vxa-typical", "before-vxa-large"]
for series in series_names:
    rows = sorted(c for (s, c) in H if s == series)
    for c in rows:
        p50v, p99v, rate = H[(series, c)]
        out.append(f"| {series} | {c} | {p50v:.2f} | {p99v:.2f} | {rate:.1f} |")
    with open(os.path.join(plot_dir, series + ".dat"), "w") as f:
        for c in rows:
            f.write(f"{c} {H[(series, c)][0]} {H[(series, c)][1]}\n")

out.append("\n## Stages (Google Benchmark, median of 5 repetitions)\n")
out.append("| Stage | ms | counters |")
out.append("|---|---|---|")
for name, (ms, counters) in sorted(S.items()):
    text = ", ".join(f"{k} {v:g}" for k, v in sorted(counters.items()))
    out.append(f"| {name} | {ms:.3f} | {text} |")

if K:
    out.append("\n## Soak: resident memory of the service\n")
    out.append("| Requests | RSS KiB |")
    out.append("|---|---|")
    for n, rss in K:
        out.append(f"| {n} | {rss} |")

with open(table_path, "w") as f:
    f.write("\n".join(out) + "\n")
