#!/usr/bin/python3
"""Reference values for the collection-efficiency tests (test_cloudweights).

Computed independently of the program's closed forms:

* Ribbon (Ranz & Wong, potential flow): the drop's path near the stagnation line
  is integrated numerically. In time units of W/(2U) and lengths of W/2, the drop
  starts one half-width upstream moving with the air towards the ribbon
  (x = 1, x' = -1) and sideways at rest (y' = 0); towards the face it obeys
  2psi x'' + x' + x = 0, sideways 2psi y'' + y' - y = 0. It reaches the face
  (x = 0) at time tau having drifted from y0 to y(tau): E = y0 / y(tau).
  Below psi = 1/8 the drop never reaches the face (E = 0).
* Cylinder (Langmuir & Blodgett): their fit, evaluated directly.
* Sutherland's law for the viscosity of air.

Also a worked slide: the in-cloud fractions and medians of a slide under the
impaction weights 1/E and k^3/E (E floored at 0.05), to compare with the
program to float precision.

Run: python3 tests/reference/collection_efficiency.py
"""
import math

from scipy.integrate import solve_ivp


def ribbon_by_trajectory(psi):
    if psi <= 0.125:
        return 0.0

    def rhs(t, s):
        x, vx, y, vy = s
        return [vx, (-vx - x) / (2 * psi), vy, (-vy + y) / (2 * psi)]

    def face(t, s):
        return s[0]

    face.terminal = True
    face.direction = -1
    sol = solve_ivp(rhs, [0, 1e4], [1.0, -1.0, 1.0, 0.0], events=face, rtol=1e-12, atol=1e-14,
                    method="DOP853")
    if not sol.t_events[0].size:
        return 0.0
    y_tau = sol.y_events[0][0][2]
    return 1.0 / y_tau


def cylinder(k):
    if k <= 0.125:
        return 0.0
    if k <= 1.1:
        return 0.466 * math.log10(8 * k) ** 2
    return k / (k + math.pi / 2)


def sutherland(celsius):
    t = celsius + 273.15
    return 1.458e-6 * t ** 1.5 / (t + 110.4)


def parameter(shape, d, u, w, rho, mu):
    return rho * d * d * u / ((18 if shape == "ribbon" else 9) * mu * w)


def efficiency(shape, d, u, w, rho, mu):
    p = parameter(shape, d, u, w, rho, mu)
    return ribbon_by_trajectory(p) if shape == "ribbon" else cylinder(p)


def medians(weights_by_class, micron_per_class):
    """Median diameter by the program's rule: first occupied class whose
    cumulative fraction reaches 0.5, linear from the previous occupied class."""
    total = sum(weights_by_class.values())
    cum, prev_c, prev_k = 0.0, 0.0, 0
    for k in sorted(weights_by_class):
        w = weights_by_class[k]
        if w == 0:
            continue
        cum += w / total
        if cum >= 0.5:
            return prev_k * micron_per_class + (k - prev_k) * micron_per_class * (0.5 - prev_c) / (cum - prev_c)
        prev_c, prev_k = cum, k
    return 0.0


if __name__ == "__main__":
    print("ribbon E by trajectory against psi")
    for psi in [0.125, 0.13, 0.2, 0.5, 1.0, 2.0, 5.0, 20.0]:
        print(f"  psi {psi:6}: E = {ribbon_by_trajectory(psi):.10f}")
    print("cylinder E against K")
    for k in [0.125, 0.2, 1.0, 1.1, 2.0, 10.0]:
        print(f"  K {k:6}: E = {cylinder(k):.10f}")
    print("viscosity, Pa s")
    for c in [0.0, 20.0, 35.0, (86.0 - 32) * 5 / 9]:
        print(f"  {c:8.4f} C: {sutherland(c):.10e}")

    # Worked slide: defaults 25 um/EPD x 0.56 (14 um per class); ribbon 25 mm,
    # 3 m/s, water, 25 C; counts 3 at class 1 (below the floor), 10 at class 2, 10 at class 4, 5 at class 8.
    mu = sutherland(25.0)
    counts = {1: 3, 2: 10, 4: 10, 8: 5}
    e = {k: efficiency("ribbon", k * 14e-6, 3.0, 0.025, 1000.0, mu) for k in range(1, 11)}
    print("worked slide, ribbon 25 mm, 3 m/s, 25 C")
    for k in range(1, 11):
        print(f"  class {k:2}: E = {e[k]:.10f}")
    ef = {k: max(e[k], 0.05) for k in counts}
    number = {k: counts[k] / ef[k] for k in counts}
    volume = {k: counts[k] * k ** 3 / ef[k] for k in counts}
    ns, vs = sum(number.values()), sum(volume.values())
    for k in counts:
        print(f"  class {k}: NF = {number[k] / ns:.9f}, VF = {volume[k] / vs:.9f}")
    print(f"  NMD = {medians(number, 14.0):.6f} um, VMD = {medians(volume, 14.0):.6f} um")
    below = sum(counts[k] for k in counts if e[k] < 0.05)
    print(f"  drops below the floor: {below}")

    # Composite of two slides of 0.1 and 0.2 cm2 (same collector).
    a = {2: 10, 4: 10}
    b = {4: 6, 8: 4}
    per_cm2 = {k: a.get(k, 0) / 0.1 + b.get(k, 0) / 0.2 for k in sorted(set(a) | set(b))}
    ef = {k: max(e[k], 0.05) for k in per_cm2}
    number = {k: per_cm2[k] / ef[k] for k in per_cm2}
    volume = {k: per_cm2[k] * k ** 3 / ef[k] for k in per_cm2}
    print("composite of 0.1 cm2 {2:10, 4:10} and 0.2 cm2 {4:6, 8:4}")
    print(f"  CompNMD = {medians(number, 14.0):.6f} um, CompVMD = {medians(volume, 14.0):.6f} um")
    ns = sum(number.values())
    print("  CompNF", {k: round(number[k] / ns, 9) for k in number})
