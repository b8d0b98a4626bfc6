#!/usr/bin/env python3
"""The workbook of `nimbrel-cli workbook` read back with openpyxl, an independent
reader, and held against `nimbrel-cli json` of the same file.

usage: workbook_check.py NIMBREL_CLI DATA_FOLDER
"""
import json
import os
import subprocess
import sys
import tempfile

import openpyxl

CLI, DATA = sys.argv[1], sys.argv[2]
SHEETS = ["Trial", "Slides", "Counts", "Composite", "Dose Response"]
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def is_number(value):
    return isinstance(value, (int, float)) and not isinstance(value, bool)


# Column of "Slides" -> where the same figure stands in a slide of the JSON.
# An interval column names the interval and 0 (low) or 1 (high).
SLIDE_COLUMNS = [
    ("Position ({length})", ("Position",)),
    ("Sweeps", ("Sweeps",)),
    ("Area (cm²)", ("Area",)),
    ("Drops", ("TotalDrops",)),
    ("Drop density (drops/cm²)", ("DropDensity",)),
    ("VMD (µm)", ("VMD",)),
    ("NMD (µm)", ("NMD",)),
    ("Dv0.1 (µm)", ("Dv01",)),
    ("Dv0.9 (µm)", ("Dv09",)),
    ("Relative span", ("RelativeSpan",)),
    ("VMD/NMD", ("VMDNMDRatio",)),
    ("Volume below 32 µm (%)", ("VolumeBelow32um",)),
    ("VMD 95% low (µm)", ("VMDInterval", 0)),
    ("VMD 95% high (µm)", ("VMDInterval", 1)),
    ("NMD 95% low (µm)", ("NMDInterval", 0)),
    ("NMD 95% high (µm)", ("NMDInterval", 1)),
    ("Dv0.9 95% low (µm)", ("Dv09Interval", 0)),
    ("Dv0.9 95% high (µm)", ("Dv09Interval", 1)),
    ("Number in cage", ("Cage", "NumInCage")),
    ("1 hr knocked down", ("Cage", "Down1h")),
    ("12 hr dead", ("Cage", "Dead12h")),
    ("24 hr dead", ("Cage", "Dead24h")),
    ("1 hr knockdown (%)", ("Knockdown1h",)),
    ("12 hr mortality (%)", ("Mortality12h",)),
    ("12 hr mortality 95% low (%)", ("Mortality12hInterval", 0)),
    ("12 hr mortality 95% high (%)", ("Mortality12hInterval", 1)),
    ("24 hr mortality (%)", ("Mortality24h",)),
    ("24 hr mortality 95% low (%)", ("Mortality24hInterval", 0)),
    ("24 hr mortality 95% high (%)", ("Mortality24hInterval", 1)),
]
SIZE_FIGURES = {"VMD", "NMD", "Dv01", "Dv09", "RelativeSpan", "VMDNMDRatio", "VolumeBelow32um"}


def json_value(slide, path):
    value = slide
    for step in path:
        if value is None:
            return None
        value = value[step]
    return value


def rows(sheet):
    return [list(r) for r in sheet.iter_rows(values_only=True)]


def check_file(name, separators, limits):
    source = os.path.join(DATA, name)
    options = ["--list-separator", separators[0], "--decimal-separator", separators[1], "--limits", limits]
    with tempfile.TemporaryDirectory() as folder:
        out = os.path.join(folder, "out.xlsx")
        run = subprocess.run([CLI, "workbook", source, *options, "-o", out], capture_output=True, text=True)
        check(run.returncode == 0, f"{name}: workbook failed: {run.stderr}")
        check(os.listdir(folder) == ["out.xlsx"], f"{name}: left behind {os.listdir(folder)}")
        book = openpyxl.load_workbook(out)
    data = json.loads(subprocess.run([CLI, *options, "json", source], capture_output=True, text=True,
                                     check=True).stdout)
    slides = data["Slides"]
    length = "m" if data["Metric"] else "ft"

    check(book.sheetnames == SHEETS, f"{name}: sheets {book.sheetnames}")
    for sheet in book:
        header = rows(sheet)[0]
        check(all(isinstance(h, str) and h for h in header), f"{name}/{sheet.title}: header {header}")
        # Every cell holding a figure is a number cell, never digits as text.
        for r in sheet.iter_rows(min_row=2):
            for cell in r:
                if isinstance(cell.value, str):
                    try:
                        float(cell.value.replace(",", "."))
                        failures.append(f"{name}/{sheet.title}!{cell.coordinate}: number as text {cell.value!r}")
                    except ValueError:
                        pass
                elif cell.value is not None:
                    check(cell.data_type == "n" and cell.number_format,
                          f"{name}/{sheet.title}!{cell.coordinate}: not a formatted number")

    # Slides: one row per slide in position order, every figure the JSON's.
    table = rows(book["Slides"])
    expected = [c.format(length=length) for c, _ in SLIDE_COLUMNS]
    check(table[0] == expected, f"{name}: Slides header {table[0]}")
    check(len(table) - 1 == len(slides), f"{name}: {len(table) - 1} slide rows for {len(slides)} slides")
    for i, (row, slide) in enumerate(zip(table[1:], slides), start=1):
        for (column, path), cell in zip(SLIDE_COLUMNS, row):
            value = json_value(slide, path)
            where = f"{name}: slide {i} {column}"
            if path[0] == "Cage" and slide["Cage"]["NumInCage"] == 0:
                check(cell is None, f"{where}: {cell!r} for a slide without a cage")
            elif path[0] in SIZE_FIGURES and slide["TotalDrops"] == 0:
                check(cell is None, f"{where}: {cell!r} for a slide without drops")
            elif value is None:
                check(cell is None, f"{where}: {cell!r} where the JSON has null")
            else:
                check(is_number(cell) and cell == value, f"{where}: {cell!r} against {value!r}")

    # Counts: slides by position, classes as columns, each row summing to the drops.
    counts = rows(book["Counts"])
    classes = data["MaxSizeEPD"]
    check(len(counts[0]) == classes + 1 and counts[0][1].startswith("1 EPD (") and counts[0][1].endswith(" µm)"),
          f"{name}: Counts header {counts[0][:3]}")
    for row, slide, slide_row in zip(counts[1:], slides, table[1:]):
        check(row[0] == slide["Position"], f"{name}: Counts position {row[0]}")
        check(row[1:] == slide["Counts"][1:], f"{name}: counts at {row[0]} differ from the JSON")
        check(sum(row[1:]) == slide_row[3] == slide["TotalDrops"], f"{name}: counts at {row[0]} sum to {sum(row[1:])}")

    # Composite: a row per class, then the figures by label.
    composite = rows(book["Composite"])
    check(composite[0] == ["EPD", "Diameter (µm)", "Drop density (drops/cm²)", "VF", "CVF", "NF", "CNF"],
          f"{name}: Composite header {composite[0]}")
    comp = data["Composite"]
    for k in range(1, classes + 1):
        row = composite[k]
        check(row[0] == k and [row[3], row[4], row[5], row[6]]
              == [comp["CompVF"][k], comp["CompCVF"][k], comp["CompNF"][k], comp["CompCNF"][k]]
              and row[2] == comp["CompDensity"][k], f"{name}: composite class {k}: {row}")
    figures = {r[0]: r[1] for r in composite[classes + 1:] if r[0]}
    check(figures.get("Cloud VMD") == comp["CompVMD"], f"{name}: composite VMD {figures.get('Cloud VMD')}")
    check(figures.get("Dv0.9 95% high") == comp["Dv09Interval"][1], f"{name}: composite Dv0.9 interval")
    check(figures.get("Label verdict") == data["LabelVerdict"], f"{name}: verdict {figures.get('Label verdict')}")

    # Dose Response: a row per hour; the 24 hr row is the fit the JSON gives by default.
    dose = rows(book["Dose Response"])
    check(dose[0][:3] == ["Hour", "Link", "Cages"] and dose[0][-1] == "Note", f"{name}: Dose header {dose[0]}")
    check([r[0] for r in dose[1:]] == [1, 12, 24], f"{name}: dose hours {[r[0] for r in dose[1:]]}")
    fit, row24 = data["DoseResponse"], dict(zip(dose[0], dose[3]))
    unit = "drops/cm²"
    for column, key in [("Cages", "Cages"), ("Intercept", "Intercept"), ("Slope (per log10 of deposit)", "Slope"),
                        ("Slope SE", "SlopeSE"), ("Natural mortality (%)", "NaturalMortality"),
                        (f"LD50 ({unit})", "LD50"), (f"LD90 ({unit})", "LD90"), ("Chi-square", "ChiSquare"),
                        ("Degrees of freedom", "DegreesOfFreedom"), ("Heterogeneity factor", "HeterogeneityFactor"),
                        ("g", "g")]:
        cell, value = row24.get(column), fit[key]
        if value is None:
            check(cell is None, f"{name}: dose {column} {cell!r} where the JSON has null")
        else:  # a double written with 16 significant digits
            check(is_number(cell) and abs(cell - value) <= 1e-14 * max(1.0, abs(value)),
                  f"{name}: dose {column} {cell!r} against {value!r}")
    for column, key in [(f"LD50 95% low ({unit})", "LD50Interval"), (f"LD90 95% high ({unit})", "LD90Interval")]:
        cell, value = row24.get(column), fit[key]
        check((cell is None) == (value is None), f"{name}: dose {column} {cell!r} against {value!r}")
    check((row24["Note"] or None) == (fit["Note"] or fit["LimitsNote"]), f"{name}: dose note {row24['Note']!r}")

    trial = {r[0]: r[1:] for r in rows(book["Trial"])[1:]}
    check(trial.get("Slide set file", [None])[0] == name, f"{name}: Trial file {trial.get('Slide set file')}")
    check(is_number(trial["Spread Factor"][0]) and abs(trial["Spread Factor"][0] - data["SpreadFactor"]) < 1e-6,
          f"{name}: spread factor {trial['Spread Factor']}")
    check(is_number(trial["Release Height"][0]) and trial["Release Height"][1] == length,
          f"{name}: release height {trial['Release Height']}")
    return data


check_file("realistic-line.csv", (",", "."), "30,40,60")
us = check_file("golden_us_control.csv", (",", "."), ",,50")
check(any(s["TotalDrops"] == 0 for s in us["Slides"]), "the U.S. file lost its slide without drops")
check_file("golden_metric_semicolon.csv", (";", ","), "30,40,60")

# A file that cannot be read: a message, exit status 1, and no workbook.
with tempfile.TemporaryDirectory() as folder:
    run = subprocess.run([CLI, "workbook", os.path.join(DATA, "missing.csv"), "-o", os.path.join(folder, "x.xlsx")],
                         capture_output=True, text=True)
    check(run.returncode == 1 and "missing.csv" in run.stderr and not os.listdir(folder),
          f"missing file: status {run.returncode}, {run.stderr!r}, {os.listdir(folder)}")
    run = subprocess.run([CLI, "workbook", os.path.join(DATA, "realistic-line.csv"), "-o",
                          os.path.join(folder, "x.csv")], capture_output=True, text=True)
    check(run.returncode == 2 and not os.listdir(folder), f"wrong suffix: status {run.returncode}")

for failure in failures:
    print("FAIL:", failure)
print(f"{len(failures)} failures")
sys.exit(1 if failures else 0)
