#!/usr/bin/python3
"""Independent reference for the dose-response fit of cage mortality on deposit.

Fits P(x) = C + (1 - C) F(a + b log10 x) by maximum likelihood with scipy's
bounded quasi-Newton optimiser from several starts, takes the variance from a
finite-difference Hessian, and computes Pearson chi-square, Finney's
heterogeneity rule and Fieller's limits (solved as a quadratic in mu) with
scipy.stats. Nothing here shares code with the program.

    /usr/bin/python3 tests/reference/dose_reference.py [TRIALS] > tests/data/dose_reference.json

Each trial in the output holds its cages (deposit, insects, dead; deposit 0 for
a cage beside a slide without drops), the control cage (or null), the link, and
the expected result: null fields and "fit": false where no fit exists.
"""
import json
import math
import sys

import numpy as np
from scipy import optimize, stats

Z = 1.959964


def link_fns(link):
    if link == "probit":
        return stats.norm.cdf, stats.norm.sf, stats.norm.ppf
    cdf = lambda z: 1.0 / (1.0 + np.exp(-z))
    sf = lambda z: 1.0 / (1.0 + np.exp(z))
    return cdf, sf, lambda p: math.log(p / (1 - p))


def fit(trial):
    link = trial["link"]
    F, Fs, Finv = link_fns(link)
    control = trial["control"]
    estimate_c = control is not None
    dosed = [(c[0], c[1], c[2]) for c in trial["cages"] if c[0] > 0]
    zero = [(c[1], c[2]) for c in trial["cages"] if c[0] == 0]
    n0 = r0 = 0
    if estimate_c:
        n0, r0 = control[0], control[1]
        for n, r in zero:
            n0 += n
            r0 += r
    none = {"fit": False}
    if len(dosed) < 3 or len({d[0] for d in dosed}) < 2:
        return none
    if all(r == 0 for _, _, r in dosed) or all(r == n for _, n, r in dosed):
        return none
    if estimate_c and r0 >= n0:
        return none
    u = np.array([math.log10(d[0]) for d in dosed])
    n = np.array([float(d[1]) for d in dosed])
    r = np.array([float(d[2]) for d in dosed])

    def nll(theta):
        a, b = theta[0], theta[1]
        C = theta[2] if estimate_c else 0.0
        eta = a + b * u
        P = C + (1 - C) * F(eta)
        Q = (1 - C) * Fs(eta)
        with np.errstate(divide="ignore", invalid="ignore"):
            ll = np.sum(np.where(r > 0, r * np.log(np.maximum(P, 1e-300)), 0.0))
            ll += np.sum(np.where(n - r > 0, (n - r) * np.log(np.maximum(Q, 1e-300)), 0.0))
        if estimate_c and n0 > 0:
            if r0 > 0:
                ll += r0 * math.log(max(C, 1e-300))
            if n0 - r0 > 0:
                ll += (n0 - r0) * math.log(max(1 - C, 1e-300))
        return -ll

    # Starts: least squares on empirical link values, and a few spreads.
    p = (r + 0.5) / (n + 1)
    y = np.array([Finv(min(max(v, 1e-6), 1 - 1e-6)) for v in p])
    slope, icpt = np.polyfit(u, y, 1, w=np.sqrt(n))
    if slope <= 0:
        slope = 1.0 / max(np.std(u), 1e-3)
        icpt = -slope * np.mean(u)
    starts = []
    cs = [0.0]
    if estimate_c:
        obs = min(max(r0 / n0, 0.01), 0.9)
        cs = [obs, obs / 2, 0.0]
    for C in cs:
        for k in (1.0, 0.5, 2.0):
            starts.append([icpt * k, slope * k] + ([C] if estimate_c else []))
    bounds = [(None, None), (None, None)] + ([(0.0, 1 - 1e-9)] if estimate_c else [])
    best = None
    for s in starts:
        res = optimize.minimize(nll, s, method="L-BFGS-B", bounds=bounds,
                                options={"ftol": 1e-15, "gtol": 1e-11, "maxiter": 5000})
        # Polish the free parameters with a second pass from the end point.
        res = optimize.minimize(nll, res.x, method="L-BFGS-B", bounds=bounds,
                                options={"ftol": 1e-16, "gtol": 1e-12, "maxiter": 5000})
        if best is None or res.fun < best.fun:
            best = res
    theta = np.array(best.x, dtype=float)
    a, b = theta[0], theta[1]
    C = theta[2] if estimate_c else 0.0
    on_bound = estimate_c and C < 1e-6
    if on_bound:
        C = 0.0
        theta[2] = 0.0
        # Refit a, b with C held at its bound.
        res = optimize.minimize(lambda t: nll(np.array([t[0], t[1], 0.0])), theta[:2], method="BFGS",
                                options={"gtol": 1e-12, "maxiter": 5000})
        a, b = res.x
        theta[:2] = res.x
    if b <= 0:
        return none
    Fv = F(a + b * u)
    if np.all(np.minimum(Fv, 1 - Fv) < 1e-7):
        return none
    # No finite slope: twice the slope, the intercept (and C) refitted, is no
    # less likely than the fit itself.
    pivot = (Finv(0.5) - a) / b
    if estimate_c and C > 0:
        prof = optimize.minimize(lambda t: nll(np.array([t[0], 2 * b, t[1]])), [a - b * pivot, C],
                                 method="L-BFGS-B", bounds=[(None, None), (1e-12, 1 - 1e-9)],
                                 options={"ftol": 1e-15, "gtol": 1e-11})
    else:
        prof = optimize.minimize(lambda t: nll(np.array([t[0], 2 * b, 0.0])), [a - b * pivot], method="BFGS",
                                 options={"gtol": 1e-11})
    if prof.fun <= nll(np.array([a, b, C])) + 1e-6:
        return none
    free = 3 if (estimate_c and not on_bound) else 2

    def nll_free(t):
        full = np.array(theta, dtype=float)
        full[:free] = t
        return nll(full)

    # Central-difference Hessian of the negative log-likelihood.
    x0 = np.array(theta[:free], dtype=float)
    H = np.zeros((free, free))
    steps = [1e-4 * max(1.0, abs(v)) for v in x0]
    if free == 3:
        steps[2] = min(steps[2], 1e-5, C / 4)
    for i in range(free):
        for j in range(free):
            ei = np.zeros(free); ei[i] = steps[i]
            ej = np.zeros(free); ej[j] = steps[j]
            H[i, j] = (nll_free(x0 + ei + ej) - nll_free(x0 + ei - ej) - nll_free(x0 - ei + ej)
                       + nll_free(x0 - ei - ej)) / (4 * steps[i] * steps[j])
    if np.any(np.linalg.eigvalsh(H) <= 0):
        return none  # not a maximum
    V = np.linalg.inv(H)

    # Pearson chi-square, cages without deposit pooled.
    P = C + (1 - C) * F(a + b * u)
    chi = float(np.sum((r - n * P) ** 2 / (n * P * (1 - P))))
    groups = len(dosed)
    if estimate_c:
        groups += 1
        if C > 0:
            chi += (r0 - n0 * C) ** 2 / (n0 * C * (1 - C))
    df = groups - free
    h, t = 1.0, Z
    if df > 0 and stats.chi2.sf(chi, df) < 0.15:
        h = chi / df
        t = stats.t.ppf(0.975, df)
    vaa, vab, vbb = h * V[0, 0], h * V[0, 1], h * V[1, 1]
    g = t * t * vbb / (b * b)

    def ld(pr):
        k = Finv(pr)
        m = (k - a) / b
        lim = None
        if g < 1:
            A = b * b - t * t * vbb
            B = -2 * (b * (k - a) + t * t * vab)
            Cq = (k - a) ** 2 - t * t * vaa
            disc = max(0.0, B * B - 4 * A * Cq)
            roots = sorted([(-B - math.sqrt(disc)) / (2 * A), (-B + math.sqrt(disc)) / (2 * A)])
            lim = [10 ** roots[0], 10 ** roots[1]]
        return 10 ** m, lim

    ld50, lim50 = ld(0.5)
    ld90, lim90 = ld(0.9)
    return {"fit": True, "a": a, "b": b, "se": math.sqrt(vbb), "C": C, "ld50": ld50, "ld90": ld90,
            "lim50": lim50, "lim90": lim90, "chi": chi, "df": df, "h": h, "g": g}


def random_trial(rng):
    link = "probit" if rng.random() < 0.6 else "logit"
    k = int(rng.integers(3, 13))
    centre = rng.uniform(0.5, 3.0)            # log10 of the LD50
    b = rng.uniform(0.8, 6.0)
    spread = rng.uniform(0.4, 2.0) / b * 2    # dose range across the line
    C = 0.0 if rng.random() < 0.4 else rng.uniform(0.0, 0.25)
    has_control = rng.random() < 0.7
    F, _, _ = link_fns(link)
    cages = []
    for _ in range(k):
        lx = centre + rng.uniform(-spread, spread)
        x = float(np.float32(10 ** lx))
        n = int(rng.integers(10, 60))
        pr = C + (1 - C) * F(b * (lx - centre))
        # Some extra-binomial scatter now and then.
        if rng.random() < 0.3:
            pr = min(max(pr + rng.normal(0, 0.12), 0), 1)
        cages.append([x, n, int(rng.binomial(n, pr))])
    for _ in range(int(rng.integers(0, 3))):
        n = int(rng.integers(10, 40))
        cages.append([0.0, n, int(rng.binomial(n, C))])
    control = None
    if has_control:
        n = int(rng.integers(15, 60))
        control = [n, int(rng.binomial(n, C))]
    return {"link": link, "cages": cages, "control": control}


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 400
    rng = np.random.default_rng(20261207)
    trials = []
    for _ in range(count):
        trial = random_trial(rng)
        trial["expected"] = fit(trial)
        trials.append(trial)
    json.dump(trials, sys.stdout, indent=None)
    sys.stdout.write("\n")


if __name__ == "__main__":
    main()
