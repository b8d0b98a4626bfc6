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
