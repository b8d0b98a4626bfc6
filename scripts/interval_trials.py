#!/usr/bin/python3
"""Trial of interval methods for NMD, VMD and Dv0.9 from counted drops.

Draws slides of n drops from known spectra over 20 classes, computes the
figures by the program's rule (in-cloud weights: k for volume, 1/k^2 for
number; linear interpolation between occupied classes from diameter 0), and
reports how often each method's 95 % interval holds the infinite-sample value.
Independent of the program's code: used to choose the method; the harness
bench/interval_coverage.cpp measures the program itself.
"""
import sys
import numpy as np
from scipy.stats import norm

K = 20
Z = 1.959963984540054
rng = np.random.default_rng(20261207)


def lognormal(median, sigma):
    k = np.arange(1, K + 1)
    p = norm.cdf((np.log(k + 0.5) - np.log(median)) / sigma) - norm.cdf((np.log(k - 0.5) - np.log(median)) / sigma)
    return p / p.sum()


SPECTRA = {
    "LN(5, 0.5)": lognormal(5, 0.5),
    "LN(8, 0.45)": lognormal(8, 0.45),
    "bimodal": 0.75 * lognormal(4, 0.3) + 0.25 * lognormal(13, 0.2),
}
CLASSES = np.arange(1, K + 1, dtype=float)
WV = CLASSES
WN = 1.0 / CLASSES ** 2


def quantile(weights, q):
    """weights: (R, K) non-negative; zero = unoccupied. Program's interpolation rule."""
    occ = weights > 0
    tot = weights.sum(axis=1, keepdims=True)
    cum = np.cumsum(weights, axis=1) / tot
    idx = np.where(occ, CLASSES, 0.0)
    last = np.maximum.accumulate(idx, axis=1)  # last occupied class up to k
    prev_cls = np.concatenate([np.zeros((len(weights), 1)), last[:, :-1]], axis=1)
    prev_cum = np.concatenate([np.zeros((len(weights), 1)), cum[:, :-1]], axis=1)
    reach = (cum >= q - 1e-12) & occ
    k = reach.argmax(axis=1)
    r = np.arange(len(weights))
    c1, c0 = cum[r, k], prev_cum[r, k]
    d1, d0 = CLASSES[k], prev_cls[r, k]
    return d0 + (d1 - d0) * (q - c0) / (c1 - c0)


def figures(counts):
    counts = np.atleast_2d(counts).astype(float)
    return np.stack([quantile(counts * WN, 0.5), quantile(counts * WV, 0.5), quantile(counts * WV, 0.9)], axis=1)


def percentile_bootstrap(counts_list, B=1000):
    reps = np.zeros((B, K))
    for c in counts_list:
        n = c.sum()
        reps += rng.multinomial(n, c / n, size=B)
    f = figures(reps)
    return np.percentile(f, 2.5, axis=0), np.percentile(f, 97.5, axis=0)


def dirichlet_bootstrap(counts_list, a=1.0, B=1000):
    reps = np.zeros((B, K))
    share = a / len(counts_list)  # one prior for the whole pooled count
    for c in counts_list:
        g = rng.gamma(c + share / K, size=(B, K))
        reps += g / g.sum(axis=1, keepdims=True) * c.sum()
    f = figures(reps)
    return np.percentile(f, 2.5, axis=0), np.percentile(f, 97.5, axis=0)


def woodruff(counts_list, a=1.0):
    """Normal interval on the cumulative weighted fraction at the quantile, on
    the smoothed shares (counts + a/K per slide), inverted through the smoothed
    cumulative curve (every class occupied)."""
    pooled = np.zeros(K)
    var_terms = []
    share = a / len(counts_list)
    for c in counts_list:
        pooled += c + share / K
    lows, highs = [], []
    for w, q in ((WN, 0.5), (WV, 0.5), (WV, 0.9)):
        d = pooled * w
        W = d.sum()
        F = np.cumsum(d) / W
        x = quantile(d[None, :], q)[0]
        # F at the estimate's class boundary: use the class holding the quantile
        j = int(np.searchsorted(F, q - 1e-12))
        Fj = q
        ind = (CLASSES <= x).astype(float)
        # Var of the ratio: each slide's smoothed counts as Poisson-like
        v = 0.0
        for c in counts_list:
            cs = c + share / K
            v += np.sum((w * (ind - Fj)) ** 2 * cs)
        se = np.sqrt(v) / W
        lo = max(q - Z * se, 1e-9)
        hi = min(q + Z * se, 1.0)
        lows.append(quantile(d[None, :], lo)[0])
        highs.append(quantile(d[None, :], hi)[0] if hi < 1 else K)
    return np.array(lows), np.array(highs)


def trial(method, spectrum, n, slides, reps, **kw):
    truth = figures(spectrum)[0]
    hit = np.zeros(3)
    below = np.zeros(3)  # truth below the interval
    above = np.zeros(3)
    width = np.zeros(3)
    for _ in range(reps):
        cl = [rng.multinomial(n, spectrum).astype(float) for _ in range(slides)]
        lo, hi = method(cl, **kw)
        hit += (lo <= truth) & (truth <= hi)
        below += truth < lo
        above += truth > hi
        width += hi - lo
    return hit / reps, below, above, width / reps


if __name__ == "__main__":
    reps = int(sys.argv[1]) if len(sys.argv) > 1 else 400
    methods = {
        "percentile": (percentile_bootstrap, {}),
        "dirichlet a=1": (dirichlet_bootstrap, {"a": 1.0}),
        "woodruff a=1": (woodruff, {"a": 1.0}),
        "woodruff a=.3": (woodruff, {"a": 0.3}),
        "dirichlet a=2": (dirichlet_bootstrap, {"a": 2.0}),
    }
    which = sys.argv[2].split(",") if len(sys.argv) > 2 else list(methods)
    for name in which:
        fn, kw = methods[name]
        for sname, sp in SPECTRA.items():
            for n, slides in ((10, 1), (20, 1), (50, 1), (100, 1), (200, 1), (1000, 1), (20, 5), (20, 20)):
                cov, below, above, width = trial(fn, sp, n, slides, reps, **kw)
                print(f"{name:14s} {sname:12s} n={n:5d} x{slides:2d}  NMD {cov[0]*100:5.1f}  VMD {cov[1]*100:5.1f}  "
                      f"Dv09 {cov[2]*100:5.1f} (truth above {int(above[2])})  width {width[2]:.2f}", flush=True)


def posterior_beta(counts_list, a=1.0):
    """Analytic: each class's drops per unit area has the posterior
    Gamma(count + a/(K S)); the cumulative in-cloud share at each class is taken
    as a Beta of the same mean and variance (delta method), and the figure's
    posterior distribution is P(X <= d_j) = P(F(j) >= q), interpolated between
    classes for its 2.5 and 97.5 % points."""
    from scipy.stats import beta as betad
    S = len(counts_list)
    alpha = sum(c for c in counts_list) + a / K  # equal areas: sum of shapes
    lows, highs = [], []
    for w, q in ((WN, 0.5), (WV, 0.5), (WV, 0.9)):
        W = np.sum(w * alpha)
        G = np.zeros(K + 1)  # G[j]: P(X <= class j); G[0] = 0 (diameter 0)
        for j in range(1, K + 1):
            ind = (CLASSES <= j).astype(float)
            m = np.sum(w * ind * alpha) / W
            v = np.sum((w * (ind - m)) ** 2 * alpha) / W ** 2
            if m >= 1 - 1e-12:
                G[j] = 1.0
                continue
            nu = m * (1 - m) / v - 1
            G[j] = betad.sf(q, m * nu, (1 - m) * nu)
        d = np.arange(0, K + 1, dtype=float)
        lows.append(np.interp(0.025, G, d))
        highs.append(np.interp(0.975, G, d))
    return np.array(lows), np.array(highs)
