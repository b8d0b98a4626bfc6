# Independent figures the spray quality tests are pinned to.
# Run: Rscript tests/reference/spray_quality_reference.R

# Percentiles interpolated between order statistics (R's type 7, rank (n - 1) p).
print(quantile(1:2000, c(0.025, 0.975), type = 7), digits = 10)

# Katz's log interval of the corrected mortality 1 - St/Sc, 0.5 added to dead
# and living of both cages when a dead count is 0 or the whole cage.
katz <- function(n, dead, nc, deadc, z = qnorm(0.975)) {
  a <- n - dead; ac <- nc - deadc
  if (dead == 0 || dead == n || deadc == 0) { a <- a + 0.5; n <- n + 1; ac <- ac + 0.5; nc <- nc + 1 }
  r <- (a / n) / (ac / nc)
  se <- sqrt(1 / a - 1 / n + 1 / ac - 1 / nc)
  c(low = max(0, 1 - r * exp(z * se)), high = min(1, 1 - r * exp(-z * se)))
}
print(katz(50, 30, 50, 5), digits = 6)
print(katz(25, 25, 25, 2), digits = 6)  # every treated insect dead: the upper end becomes 1
print(katz(40, 40, 40, 0), digits = 6)
print(qnorm(0.975), digits = 16)

# The computed (Woodruff) interval of a slide of 120 drops over the 20 classes
# of the default reticule (14 µm a class as the program holds it: 25 × 0.56 in
# single precision), in-cloud weights 1/k² (number) and k (volume): the posterior
# of class k is Gamma(count + 2/20), mean and variance both count + 0.1; the
# share F at the figure on the mean curve has the delta-method error, and the
# ends are where the mean curve, interpolated between classes, reaches q ∓ z·se.
woodruff <- function(counts, w, q, um, z = qnorm(0.975)) {
  m <- counts + 2 / length(counts)
  woodruff_of(m, m, w, q, um, z)
}
# m, v: the posterior mean and variance of each class's density.
woodruff_of <- function(m, v, w, q, um, z = qnorm(0.975)) {
  K <- length(m)
  wt <- m * w; total <- sum(wt); cum <- cumsum(wt)
  at <- which(cum >= q * total)[1]
  prev <- if (at > 1) cum[at - 1] else 0
  theta <- (q * total - prev) / (cum[at] - prev)
  below <- ifelse(seq_len(K) < at, 1, ifelse(seq_len(K) == at, theta, 0))
  se <- sqrt(sum((w * (below - q))^2 * v)) / total
  at_share <- function(s) {
    if (s <= 0) return(0)
    if (s >= 1) return(K * um)
    k <- which(cum >= s * total)[1]
    p <- if (k > 1) cum[k - 1] else 0
    ((k - 1) + (s * total - p) / (cum[k] - p)) * um
  }
  c(low = at_share(q - z * se), high = at_share(q + z * se))
}
um <- 25 * 0.5600000023841858
counts <- c(0, 3, 10, 22, 30, 25, 15, 8, 4, 2, 1, rep(0, 9))
k <- seq_along(counts)
print(woodruff(counts, 1 / k^2, 0.5, um), digits = 10)  # NMD
print(woodruff(counts, k, 0.5, um), digits = 10)        # VMD
print(woodruff(counts, k, 0.9, um), digits = 10)        # Dv0.9

# The composite of that slide (1 sweep, 0.1 cm²) and one of 76 drops over 3
# sweeps (0.3 cm², areas in single precision): densities add, each slide's
# counts and its half of the prior's two pseudo-drops divided by its area.
a1 <- 0.100000001490116; a2 <- 0.300000011920929
counts2 <- c(0, 1, 5, 12, 20, 18, 10, 6, 3, 1, rep(0, 10))
s1 <- counts + 0.05; s2 <- counts2 + 0.05
m <- s1 / a1 + s2 / a2; v <- s1 / a1^2 + s2 / a2^2
print(woodruff_of(m, v, 1 / k^2, 0.5, um), digits = 10)  # NMD
print(woodruff_of(m, v, k, 0.5, um), digits = 10)        # VMD
print(woodruff_of(m, v, k, 0.9, um), digits = 10)        # Dv0.9
