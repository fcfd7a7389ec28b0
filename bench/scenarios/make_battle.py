#!/usr/bin/env python3
"""Writes the description of a generated battle of a given size for the
benchmarks: two battalion lines face each other over a 3 km map, each side's
units split four to one between infantry companies and tank platoons.

    bench/scenarios/make_battle.py 600 > bench/scenarios/schlacht600.txt
"""
import sys


def side(out, units, allies):
    companies = int(units * 0.8) // 16
    vehicles = units - 16 * companies
    inf_force, veh_force = (33, 34) if allies else (0, 1)
    hq, leader, rifle, extra, tank = (503, 502, 501, 504, 331) if allies else (255, 254, 252, 259, 16)
    name = "allies" if allies else "axis"
    zone = 1 if allies else 4
    heading = 90 if allies else 270
    front = 520 if allies else 2480
    rear = 300 if allies else 2700
    step = 1 if allies else -1
    out.append(f"force {name} {inf_force} regular")
    width = 2800.0 / max(companies, 1)
    for c in range(companies):
        cx = 100 + width * (c + 0.5)
        out.append(f"company {chr(ord('A') + c)}")
        out.append(f"platoon 9 zone {zone}")
        out.append(f"inf {hq} 0 {cx:.0f} {front - step * 80} {heading} leader")
        for p in range(3):
            px = cx + (p - 1) * width / 3.0
            out.append(f"platoon {p + 1} zone {zone}")
            out.append(f"inf {leader} 0 {px:.0f} {front} {heading} leader")
            for n, (dx, dy, row) in enumerate([(-20, 0, rifle), (20, 0, rifle), (-10, -24, rifle), (10, -24, extra)]):
                out.append(f"inf {row} {n + 1} {px + dx:.0f} {front + step * dy} {heading}")
    out.append(f"force {name} {veh_force} regular")
    out.append("company T")
    platoons = max(vehicles // 3, 1)
    spacing = 2800.0 / platoons
    left = vehicles
    for p in range(platoons):
        count = left if p == platoons - 1 else 3
        left -= count
        px = 100 + spacing * (p + 0.5) - 30
        out.append(f"platoon {p + 1} zone {zone}")
        for n in range(count):
            lead = " leader" if n == 0 else ""
            out.append(f"veh {tank} {n} {px + 30 * (n % 3):.0f} {rear - step * 30 * (n // 3)} {heading}{lead}")


def main():
    total = int(sys.argv[1])
    out = [
        f"# A generated battle of {total} units for the benchmarks (bench/scenarios/make_battle.py):",
        "# two battalion lines with tank platoons behind them face each other over a 3 km map.",
        f'title "Schlacht {total}"',
        "map 150 150 1.0 60",
        "date 4407", "turns 20", "attacker allies", "theatre 0", "temperature 3", "ground 1",
        "time 1", "weather 0", "wind 1", f"seed {total}", "timelimit 0",
        "edges none axis none allies",
        f'briefing general "Eine erzeugte Schlacht mit {total} Einheiten."',
        "hill 1500 1500 900 20", "hill 600 1100 400 8", "hill 2400 1900 450 10",
        "area field 100 800 1400 800 1400 1200 100 1200",
        "area field 1600 800 2900 800 2900 1200 1600 1200",
        "area woods 200 1500 700 1500 700 1900 200 1900",
        "area woods 2300 1300 2800 1300 2800 1700 2300 1700",
        "area trees 1300 1900 1700 1900 1700 2050 1300 2050",
        "line road 8 1500 0 1500 3000", "line road 8 0 1500 3000 1500",
        "line dirtroad 6 700 0 700 3000", "line dirtroad 6 2300 0 2300 3000",
    ]
    for i in range(6):
        x = 1383 + 40 * i
        out.append(f"building {'heavy' if i % 3 == 0 else 'light'} {x} 1443 14 12")
        out.append(f"building {'light' if i % 2 else 'heavy'} {x} 1543 14 12")
    out += ["wall hedge 100 1260 1400 1260 2.5", "wall hedge 1600 1740 2900 1740 2.5",
            "zone 1 0 0 3000 800", "zone 4 0 2200 3000 3000",
            "flag large 1500 1500", "flag small 700 1500", "flag small 2300 1500"]
    side(out, total // 2, True)
    side(out, total - total // 2, False)
    print("\n".join(out))


main()
