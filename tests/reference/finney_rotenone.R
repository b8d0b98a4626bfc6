# Finney's rotenone example (Macrosiphoniella sanborni): five concentrations in
# mg/l, no control mortality. Probit and logit fits by R's glm and optim on log10 dose,
# Pearson chi-square, Finney's heterogeneity rule and Fieller's limits, for the
# worked example the tests check against.
#   Rscript tests/reference/finney_rotenone.R
dose <- c(10.2, 7.7, 5.1, 3.8, 2.6)
n    <- c(50, 49, 46, 48, 50)
r    <- c(44, 42, 24, 16, 6)
for (link in c("probit", "logit")) {
  m <- glm(cbind(r, n - r) ~ log10(dose), family = binomial(link = link))
  a <- coef(m)[1]; b <- coef(m)[2]
  # glm's vcov is the expected information; the observed one (the Hessian of
  # the log-likelihood at the estimate, by optim) is the rule here.
  F <- if (link == "probit") pnorm else plogis
  nll <- function(th) -sum(dbinom(r, n, F(th[1] + th[2] * log10(dose)), log = TRUE))
  o <- optim(c(a, b), nll, method = "BFGS", hessian = TRUE, control = list(reltol = 1e-14))
  a <- o$par[1]; b <- o$par[2]
  V <- solve(o$hessian)
  p <- fitted(m)
  chi <- sum((r - n * p)^2 / (n * p * (1 - p)))
  df <- length(dose) - 2
  h <- 1; t <- 1.959964
  if (pchisq(chi, df, lower.tail = FALSE) < 0.15) { h <- chi / df; t <- qt(0.975, df) }
  V <- h * V
  g <- t^2 * V[2, 2] / b^2
  q <- if (link == "probit") qnorm else qlogis
  for (pr in c(0.5, 0.9)) {
    k <- q(pr)
    A <- b^2 - t^2 * V[2, 2]; B <- -2 * (b * (k - a) + t^2 * V[1, 2]); C <- (k - a)^2 - t^2 * V[1, 1]
    roots <- sort(c((-B - sqrt(B^2 - 4 * A * C)) / (2 * A), (-B + sqrt(B^2 - 4 * A * C)) / (2 * A)))
    cat(sprintf("%s p=%.1f a=%.6f b=%.6f se=%.6f LD=%.6f limits=%.6f %.6f chi=%.6f df=%d h=%.6f g=%.6f\n",
                link, pr, a, b, sqrt(V[2, 2]), 10^((k - a) / b), 10^roots[1], 10^roots[2], chi, df, h, g))
  }
}
