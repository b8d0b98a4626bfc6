#!/usr/bin/python3
# Quantiles the draws of test_counting_draws are checked against.
from scipy.stats import gamma, norm

print("normal", norm.ppf(0.025), norm.cdf(3.442619855899))
for shape in (1.01, 3.5, 40.0):
    print("Gamma", shape, [repr(gamma.ppf(p, shape)) for p in (0.01, 0.5, 0.99)])
