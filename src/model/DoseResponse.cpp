#include "DoseResponse.h"

#include "MortalityInterval.h"
#include "NumberText.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kSqrt2 = 1.4142135623730951;
constexpr double kInvSqrt2Pi = 0.3989422804014327;
constexpr double kLn10 = 2.302585092994046;
// Finney's rule: a χ² this improbable says the cages scatter more than binomially.
constexpr double kHeterogeneityP = 0.15;

// --- distributions ---------------------------------------------------------------

// ln Γ(x) for the incomplete gamma and beta functions.
double logGamma(double x)
{
    return std::lgamma(x);
}

// Regularized upper incomplete gamma Q(s, x): series below s + 1, a continued
// fraction (modified Lentz) above.
double upperGamma(double s, double x)
{
    if (x <= 0)
        return 1;
    const double front = std::exp(-x + s * std::log(x) - logGamma(s));
    if (x < s + 1) {
        double term = 1 / s, sum = term;
        for (int n = 1; n < 1000; ++n) {
            term *= x / (s + n);
            sum += term;
            if (std::fabs(term) < std::fabs(sum) * 1e-16)
                break;
        }
        return std::max(0.0, 1 - front * sum);
    }
    const double tiny = 1e-300;
    double b = x + 1 - s, c = 1 / tiny, d = 1 / b, h = d;
    for (int i = 1; i < 1000; ++i) {
        const double an = -i * (i - s);
        b += 2;
        d = an * d + b;
        if (std::fabs(d) < tiny)
            d = tiny;
        c = b + an / c;
        if (std::fabs(c) < tiny)
            c = tiny;
        d = 1 / d;
        const double delta = d * c;
        h *= delta;
        if (std::fabs(delta - 1) < 1e-16)
            break;
    }
    return front * h;
}

// Continued fraction of the regularized incomplete beta I_x(p, q).
double betaFraction(double x, double p, double q)
{
    const double tiny = 1e-300;
    double c = 1, d = 1 - (p + q) * x / (p + 1);
    if (std::fabs(d) < tiny)
        d = tiny;
    d = 1 / d;
    double h = d;
    for (int m = 1; m < 1000; ++m) {
        const int m2 = 2 * m;
        double aa = m * (q - m) * x / ((p + m2 - 1) * (p + m2));
        d = 1 + aa * d;
        d = std::fabs(d) < tiny ? 1 / tiny : 1 / d;
        c = 1 + aa / c;
        if (std::fabs(c) < tiny)
            c = tiny;
        h *= d * c;
        aa = -(p + m) * (p + q + m) * x / ((p + m2) * (p + m2 + 1));
        d = 1 + aa * d;
        d = std::fabs(d) < tiny ? 1 / tiny : 1 / d;
        c = 1 + aa / c;
        if (std::fabs(c) < tiny)
            c = tiny;
        const double delta = d * c;
        h *= delta;
        if (std::fabs(delta - 1) < 1e-16)
            break;
    }
    return h;
}

double incompleteBeta(double x, double p, double q)
{
    if (x <= 0)
        return 0;
    if (x >= 1)
        return 1;
    const double front =
        std::exp(logGamma(p + q) - logGamma(p) - logGamma(q) + p * std::log(x) + q * std::log1p(-x));
    if (x < (p + 1) / (p + q + 2))
        return front * betaFraction(x, p, q) / p;
    return 1 - front * betaFraction(1 - x, q, p) / q;
}

// P(T ≤ t) for Student's t with df degrees of freedom.
double studentT(double t, int df)
{
    const double tail = 0.5 * incompleteBeta(df / (df + t * t), df / 2.0, 0.5);
    return t >= 0 ? 1 - tail : tail;
}

// --- the two links ---------------------------------------------------------------

struct LinkValue
{
    double F, Q, f, fp; // F(η), 1 − F(η), F′(η), F″(η)
};

LinkValue linkAt(DoseLink link, double eta)
{
    if (link == DoseLink::Probit) {
        const double f = kInvSqrt2Pi * std::exp(-0.5 * eta * eta);
        return {0.5 * std::erfc(-eta / kSqrt2), 0.5 * std::erfc(eta / kSqrt2), f, -eta * f};
    }
    const double F = 1 / (1 + std::exp(-eta));
    const double Q = 1 / (1 + std::exp(eta));
    const double f = F * Q;
    return {F, Q, f, f * (Q - F)};
}

double linkQuantile(DoseLink link, double p)
{
    return link == DoseLink::Probit ? DoseMath::NormalQuantile(p) : std::log(p / (1 - p));
}

// --- the likelihood --------------------------------------------------------------

struct Group
{
    double u; // log10 deposit
    double n, r;
};

struct Data
{
    std::vector<Group> dosed;
    double n0 = 0, r0 = 0; // the cages without deposit, pooled
    bool estimateC = false;
    DoseLink link = DoseLink::Probit;
};

using Vec3 = std::array<double, 3>;
using Mat3 = std::array<Vec3, 3>;

struct Eval
{
    double ll = -kInf;
    Vec3 grad{};
    Mat3 hess{};   // observed: second derivatives of ll
    Mat3 fisher{}; // expected information
};

// r·ln P + (n − r)·ln Q, −∞ where a count meets a probability of 0.
double binomialLog(double n, double r, double P, double Q)
{
    double ll = 0;
    if (r > 0)
        ll += P > 0 ? r * std::log(P) : -kInf;
    if (n - r > 0)
        ll += Q > 0 ? (n - r) * std::log(Q) : -kInf;
    return ll;
}

Eval evaluate(const Data &data, const Vec3 &theta, bool derivatives)
{
    const double a = theta[0], b = theta[1], C = theta[2];
    Eval e;
    e.ll = 0;
    for (const Group &gr : data.dosed) {
        const LinkValue L = linkAt(data.link, a + b * gr.u);
        const double P = C + (1 - C) * L.F;
        const double Q = (1 - C) * L.Q;
        e.ll += binomialLog(gr.n, gr.r, P, Q);
        if (!derivatives || !std::isfinite(e.ll))
            continue;
        const double s = (gr.r > 0 ? gr.r / P : 0) - (gr.n - gr.r > 0 ? (gr.n - gr.r) / Q : 0);
        const double t = -(gr.r > 0 ? gr.r / (P * P) : 0) - (gr.n - gr.r > 0 ? (gr.n - gr.r) / (Q * Q) : 0);
        const Vec3 dP = {(1 - C) * L.f, (1 - C) * L.f * gr.u, L.Q};
        const Mat3 d2P = {Vec3{(1 - C) * L.fp, (1 - C) * L.fp * gr.u, -L.f},
                          Vec3{(1 - C) * L.fp * gr.u, (1 - C) * L.fp * gr.u * gr.u, -L.f * gr.u},
                          Vec3{-L.f, -L.f * gr.u, 0}};
        const double w = P * Q > 0 ? gr.n / (P * Q) : 0;
        for (int j = 0; j < 3; ++j) {
            e.grad[j] += s * dP[j];
            for (int k = 0; k < 3; ++k) {
                e.hess[j][k] += t * dP[j] * dP[k] + s * d2P[j][k];
                e.fisher[j][k] += w * dP[j] * dP[k];
            }
        }
    }
    if (data.estimateC && data.n0 > 0) {
        e.ll += binomialLog(data.n0, data.r0, C, 1 - C);
        if (derivatives && std::isfinite(e.ll)) {
            const double s = (data.r0 > 0 ? data.r0 / C : 0) - (data.n0 - data.r0 > 0 ? (data.n0 - data.r0) / (1 - C) : 0);
            const double t = -(data.r0 > 0 ? data.r0 / (C * C) : 0)
                - (data.n0 - data.r0 > 0 ? (data.n0 - data.r0) / ((1 - C) * (1 - C)) : 0);
            e.grad[2] += s;
            e.hess[2][2] += t;
            e.fisher[2][2] += C * (1 - C) > 0 ? data.n0 / (C * (1 - C)) : 0;
        }
    }
    return e;
}

// Solves M·x = v for the leading m × m block by Cholesky; false when M is not
// positive definite there.
bool choleskySolve(const Mat3 &M, const Vec3 &v, int m, Vec3 &x)
{
    double L[3][3] = {};
    for (int i = 0; i < m; ++i)
        for (int j = 0; j <= i; ++j) {
            double sum = M[i][j];
            for (int k = 0; k < j; ++k)
                sum -= L[i][k] * L[j][k];
            if (i == j) {
                if (!(sum > 0) || !std::isfinite(sum))
                    return false;
                L[i][i] = std::sqrt(sum);
            } else {
                L[i][j] = sum / L[j][j];
            }
        }
    double y[3] = {};
    for (int i = 0; i < m; ++i) {
        double sum = v[i];
        for (int k = 0; k < i; ++k)
            sum -= L[i][k] * y[k];
        y[i] = sum / L[i][i];
    }
    x = {};
    for (int i = m - 1; i >= 0; --i) {
        double sum = y[i];
        for (int k = i + 1; k < m; ++k)
            sum -= L[k][i] * x[k];
        x[i] = sum / L[i][i];
    }
    return true;
}

// The inverse of the leading m × m block; false when it is not positive definite.
bool invert(const Mat3 &M, int m, Mat3 &inverse)
{
    inverse = {};
    for (int c = 0; c < m; ++c) {
        Vec3 unit{}, column{};
        unit[c] = 1;
        if (!choleskySolve(M, unit, m, column))
            return false;
        for (int r = 0; r < m; ++r)
            inverse[r][c] = column[r];
    }
    return true;
}

Mat3 negated(const Mat3 &M)
{
    Mat3 out;
    for (int j = 0; j < 3; ++j)
        for (int k = 0; k < 3; ++k)
            out[j][k] = -M[j][k];
    return out;
}

struct Optimum
{
    Vec3 theta{};
    double ll = -kInf;
    bool converged = false;
};

// The free parameters of a climb, by index into (a, b, C).
struct FreeSet
{
    std::array<int, 3> index{};
    int count = 0;

    static FreeSet Of(std::initializer_list<int> indices)
    {
        FreeSet f;
        for (int i : indices)
            f.index[f.count++] = i;
        return f;
    }
    Vec3 vector(const Vec3 &v) const
    {
        Vec3 out{};
        for (int i = 0; i < count; ++i)
            out[i] = v[index[i]];
        return out;
    }
    Mat3 matrix(const Mat3 &M) const
    {
        Mat3 out{};
        for (int i = 0; i < count; ++i)
            for (int j = 0; j < count; ++j)
                out[i][j] = M[index[i]][index[j]];
        return out;
    }
    bool has(int parameter) const { return std::find(index.begin(), index.begin() + count, parameter) != index.begin() + count; }
};

// Newton–Raphson on the free parameters, falling back to Fisher scoring where the
// surface is not concave, each step halved until the likelihood rises and C stays
// inside (0, 1).
Optimum climb(const Data &data, Vec3 theta, const FreeSet &free)
{
    const int m = free.count;
    const bool freeC = free.has(2);
    Optimum out;
    Eval e = evaluate(data, theta, true);
    if (!std::isfinite(e.ll))
        return out;
    for (int iter = 0; iter < 200; ++iter) {
        const Vec3 grad = free.vector(e.grad);
        Vec3 step{};
        if (!choleskySolve(free.matrix(negated(e.hess)), grad, m, step)
            && !choleskySolve(free.matrix(e.fisher), grad, m, step)) {
            for (int j = 0; j < m; ++j)
                step[j] = grad[j] * 1e-3;
        }
        double scale = 1;
        Vec3 next = theta;
        Eval trial;
        bool moved = false;
        for (int half = 0; half < 60; ++half, scale *= 0.5) {
            for (int j = 0; j < m; ++j)
                next[free.index[j]] = theta[free.index[j]] + scale * step[j];
            if (freeC && !(next[2] > 0 && next[2] < 1))
                continue;
            trial = evaluate(data, next, false);
            if (std::isfinite(trial.ll) && trial.ll >= e.ll) {
                moved = true;
                break;
            }
        }
        if (!moved)
            break; // no step up the hill: the top, within rounding, or stuck
        double change = 0;
        for (int j = 0; j < 3; ++j)
            change = std::max(change, std::fabs(next[j] - theta[j]) / (1 + std::fabs(theta[j])));
        const double gain = trial.ll - e.ll;
        theta = next;
        e = evaluate(data, theta, true);
        if (change < 1e-10 || (gain < 1e-13 * (1 + std::fabs(e.ll)) && change < 1e-7))
            break;
    }
    // At the top only where the likelihood is flat in every free direction.
    double gmax = 0;
    for (int j = 0; j < m; ++j) {
        const int i = free.index[j];
        gmax = std::max(gmax, std::fabs(e.grad[i]) * std::max(1.0, std::fabs(theta[i])));
    }
    out.converged = gmax < 1e-6 * (1 + std::fabs(e.ll));
    out.theta = theta;
    out.ll = e.ll;
    return out;
}

// Empirical probits (or logits) of the dosed cages, Abbott-corrected for C,
// regressed on log deposit with binomial weights: a start near the answer.
Vec3 regressionStart(const Data &data, double C)
{
    double sw = 0, su = 0, sy = 0, suu = 0, suy = 0;
    for (const Group &gr : data.dosed) {
        const double p = (gr.r + 0.5) / (gr.n + 1);
        const double corrected = std::clamp((p - C) / (1 - C), 0.5 / (gr.n + 1), 1 - 0.5 / (gr.n + 1));
        const double y = linkQuantile(data.link, corrected);
        const double w = gr.n;
        sw += w;
        su += w * gr.u;
        sy += w * y;
        suu += w * gr.u * gr.u;
        suy += w * gr.u * y;
    }
    const double mu = su / sw, my = sy / sw;
    const double var = suu / sw - mu * mu;
    double b = var > 0 ? (suy / sw - mu * my) / var : 0;
    if (!(b > 0))
        b = var > 0 ? 1 / std::sqrt(var) : 1;
    return {my - b * mu, b, C};
}

double wilsonBound(double r, double n, double z, int sign)
{
    const double p = r / n;
    const double centre = p + z * z / (2 * n);
    const double spread = z * std::sqrt(p * (1 - p) / n + z * z / (4 * n * n));
    return std::clamp((centre + sign * spread) / (1 + z * z / n), 0.0, 1.0);
}

// "5 m", "-10 ft": where a slide lies, for a note.
QString positionText(const Slide &slide, bool metric)
{
    return NumberFormat().General(slide.Position) + (metric ? QStringLiteral(" m") : QStringLiteral(" ft"));
}

int deadAt(const MortalityCounts &cage, int hour)
{
    return hour == 1 ? cage.Down1h : hour == 12 ? cage.Dead12h : cage.Dead24h;
}

// Fieller's limits of log10 LDp, back on the deposit scale.
std::optional<DoseLimits> fiellerLimits(double k, double a, double b, const std::array<std::array<double, 2>, 2> &v,
                                      double t)
{
    const double g = t * t * v[1][1] / (b * b);
    if (!(g < 1))
        return std::nullopt;
    const double m = (k - a) / b;
    const double vm = v[0][0] + 2 * m * v[0][1] + m * m * v[1][1];
    const double inside = vm - g * (v[0][0] - v[0][1] * v[0][1] / v[1][1]);
    const double centre = m + g / (1 - g) * (m + v[0][1] / v[1][1]);
    const double half = t / (b * (1 - g)) * std::sqrt(std::max(0.0, inside));
    return DoseLimits{std::pow(10.0, centre - half), std::pow(10.0, centre + half)};
}

} // namespace

// --- distributions ---------------------------------------------------------------------

namespace DoseMath {

double NormalQuantile(double p)
{
    if (p <= 0)
        return -kInf;
    if (p >= 1)
        return kInf;
    // Acklam's rational approximation, then one Halley step on erfc.
    static const double a[] = {-3.969683028665376e+01, 2.209460984245205e+02, -2.759285104469687e+02,
                               1.383577518672690e+02,  -3.066479806614716e+01, 2.506628277459239e+00};
    static const double b[] = {-5.447609879822406e+01, 1.615858368580409e+02, -1.556989798598866e+02,
                               6.680131188771972e+01,  -1.328068155288572e+01};
    static const double c[] = {-7.784894002430293e-03, -3.223964580411365e-01, -2.400758277161838e+00,
                               -2.549732539343734e+00, 4.374664141464968e+00,  2.938163982698783e+00};
    static const double d[] = {7.784695709041462e-03, 3.224671290700398e-01, 2.445134137142996e+00,
                               3.754408661907416e+00};
    double x;
    if (p < 0.02425) {
        const double q = std::sqrt(-2 * std::log(p));
        x = (((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5])
            / ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1);
    } else if (p > 1 - 0.02425) {
        const double q = std::sqrt(-2 * std::log1p(-p));
        x = -(((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5])
            / ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1);
    } else {
        const double q = p - 0.5, r = q * q;
        x = (((((a[0] * r + a[1]) * r + a[2]) * r + a[3]) * r + a[4]) * r + a[5]) * q
            / (((((b[0] * r + b[1]) * r + b[2]) * r + b[3]) * r + b[4]) * r + 1);
    }
    for (int i = 0; i < 2; ++i) {
        const double e = 0.5 * std::erfc(-x / kSqrt2) - p;
        const double u = e / (kInvSqrt2Pi * std::exp(-0.5 * x * x));
        x -= u / (1 + x * u / 2);
    }
    return x;
}

double ChiSquareUpperTail(double x, int df)
{
    if (df <= 0)
        return kInf;
    return upperGamma(df / 2.0, x / 2.0);
}

double StudentTQuantile(double p, int df)
{
    if (df <= 0)
        return kInf;
    if (p == 0.5)
        return 0;
    // Bisection on the distribution function: it is monotone, and this runs once a fit.
    double lo = -1, hi = 1;
    while (studentT(lo, df) > p)
        lo *= 2;
    while (studentT(hi, df) < p)
        hi *= 2;
    for (int i = 0; i < 200 && hi - lo > 1e-14 * std::max(1.0, std::fabs(hi)); ++i) {
        const double mid = 0.5 * (lo + hi);
        (studentT(mid, df) < p ? lo : hi) = mid;
    }
    return 0.5 * (lo + hi);
}

} // namespace DoseMath

// --- names and texts ------------------------------------------------------------------

QString DoseLinkName(DoseLink link)
{
    return link == DoseLink::Probit ? QStringLiteral("probit") : QStringLiteral("logit");
}

QString DoseDepositName(DoseDeposit deposit)
{
    return deposit == DoseDeposit::Drops ? QStringLiteral("drops") : QStringLiteral("volume");
}

bool ParseDoseLink(const QString &text, DoseLink &link)
{
    for (DoseLink l : {DoseLink::Probit, DoseLink::Logit})
        if (text == DoseLinkName(l)) {
            link = l;
            return true;
        }
    return false;
}

bool ParseDoseDeposit(const QString &text, DoseDeposit &deposit)
{
    for (DoseDeposit d : {DoseDeposit::Drops, DoseDeposit::Volume})
        if (text == DoseDepositName(d)) {
            deposit = d;
            return true;
        }
    return false;
}

QString DoseDepositUnit(DoseDeposit deposit)
{
    return (deposit == DoseDeposit::Drops ? QStringLiteral("drops/cm") : QStringLiteral("nL/cm")) + QChar(0x00B2);
}

QString DoseHourName(int hour)
{
    return hour == 1 ? QStringLiteral("1 hr knockdown") : QStringLiteral("%1 hr mortality").arg(hour);
}

QString DoseNumberText(const NumberFormat &format, double value)
{
    const double size = std::fabs(value);
    if (size >= 1000)
        return format.Format(value, "0");
    if (size >= 100)
        return format.Format(value, "0.0");
    if (size >= 10)
        return format.Format(value, "0.00");
    if (size >= 1 || size == 0)
        return format.Format(value, "0.000");
    // Below 1: four significant figures, shortest form.
    const double digits = std::pow(10.0, 3 - std::floor(std::log10(size)));
    return format.General(float(std::round(value * digits) / digits));
}

double SlideDeposit(const Slide &slide, const AnalysisParameters &params, DoseDeposit deposit)
{
    if (deposit == DoseDeposit::Drops)
        return slide.DropDensity;
    if (!(slide.Area > 0))
        return 0;
    constexpr double kPi = 3.141592653589793;
    double cubicMicrons = 0;
    for (size_t k = 1; k < slide.Counts.size(); ++k) {
        const double d = ShownClassDiameter(params, int(k));
        cubicMicrons += slide.Counts[k] * (kPi / 6) * d * d * d;
    }
    return cubicMicrons * 1e-6 / double(slide.Area);
}

// --- the fit ------------------------------------------------------------------------------

DoseResponseFit FitDoseResponse(const SlideSet &set, const DoseResponseOptions &options)
{
    DoseResponseFit fit;
    fit.Hour = options.Hour;
    fit.Link = options.Link;
    fit.Deposit = options.Deposit;
    const QString hourName = DoseHourName(options.Hour);

    // The control cage counts only where it has a count for the hour (it has no
    // knockdown count): then C is estimated, otherwise held at 0.
    const MortalityCounts &control = set.ControlData;
    const bool estimateC = options.Hour != 1 && control.NumInCage > 0;
    fit.NaturalMortalityEstimated = estimateC;

    Data data;
    data.link = options.Link;
    data.estimateC = estimateC;
    QString badCage;
    auto check = [&](int n, int r, const QString &where) {
        if ((r < 0 || r > n) && badCage.isEmpty())
            badCage = QStringLiteral("The %1 counts %2 dead of %3 insects at %4: a cage cannot lose more insects "
                                     "than it holds. Correct the count and the fit follows.")
                          .arg(where)
                          .arg(r)
                          .arg(n)
                          .arg(options.Hour == 1 ? QStringLiteral("1 hr") : QStringLiteral("%1 hr").arg(options.Hour));
    };
    if (estimateC) {
        const int r = deadAt(control, options.Hour);
        DosePoint point{0, 0, control.NumInCage, r, double(r) / control.NumInCage, {}, true};
        fit.Points.push_back(point);
        check(control.NumInCage, r, QStringLiteral("control cage"));
        data.n0 += control.NumInCage;
        data.r0 += r;
    }
    std::vector<double> deposits;
    int zeroDepositCages = 0;
    for (int i = 1; i <= set.SlideCount(); ++i) {
        const Slide &slide = set.Slides[i];
        const int n = slide.Cage.NumInCage;
        if (n <= 0)
            continue;
        const int r = deadAt(slide.Cage, options.Hour);
        const double x = SlideDeposit(slide, set.Params, options.Deposit);
        DosePoint point{int16_t(i), x, n, r, double(r) / n, {}, x > 0 || estimateC};
        fit.Points.push_back(point);
        if (!point.InFit)
            continue;
        check(n, r, QStringLiteral("cage beside the slide at %1").arg(positionText(slide, set.Params.Metric)));
        ++fit.Cages;
        if (x > 0) {
            data.dosed.push_back({std::log10(x), double(n), double(r)});
            deposits.push_back(x);
        } else {
            ++zeroDepositCages;
            data.n0 += n;
            data.r0 += r;
        }
    }
    for (DosePoint &p : fit.Points) {
        if (p.Dead >= 0 && p.Dead <= p.Insects)
            p.Binomial = Interval{float(wilsonBound(p.Dead, p.Insects, kNormal975, -1)),
                                  float(wilsonBound(p.Dead, p.Insects, kNormal975, +1))};
        else
            p.Binomial = Interval{float(std::clamp(p.Fraction, 0.0, 1.0)), float(std::clamp(p.Fraction, 0.0, 1.0))};
    }
    if (data.n0 > 0)
        fit.ControlFraction = data.r0 / data.n0;

    // What the data cannot carry, in the order an operator would mend it.
    auto none = [&fit](const QString &why) {
        fit.Note = why;
        return fit;
    };
    if (!badCage.isEmpty())
        return none(badCage);
    if (data.dosed.size() < 3)
        return none(QStringLiteral("Not estimable: %1 caged slide%2 with deposit; a dose\u2013response line needs at "
                                   "least 3.")
                        .arg(data.dosed.size())
                        .arg(data.dosed.size() == 1 ? QString() : QStringLiteral("s")));
    std::sort(deposits.begin(), deposits.end());
    if (std::unique(deposits.begin(), deposits.end()) - deposits.begin() < 2)
        return none(QStringLiteral("Not estimable: every caged slide carries the same deposit, so mortality cannot "
                                   "be related to it."));
    const bool allNone = std::all_of(data.dosed.begin(), data.dosed.end(), [](const Group &g) { return g.r == 0; });
    const bool allDead = std::all_of(data.dosed.begin(), data.dosed.end(), [](const Group &g) { return g.r == g.n; });
    if (allNone)
        return none(QStringLiteral("Not estimable: every cage with deposit is at 0 % (%1).").arg(hourName));
    if (allDead)
        return none(QStringLiteral("Not estimable: every cage with deposit is at 100 % (%1).").arg(hourName));
    if (estimateC && data.r0 >= data.n0)
        return none(QStringLiteral("Not estimable: every insect of the control cage%1 died (%2), so natural "
                                   "mortality cannot be told from the spray's.")
                        .arg(zeroDepositCages > 0 ? QStringLiteral(" and the cages without deposit") : QString())
                        .arg(hourName));

    // Several starts, shallow and steep, C from the control and either side of it;
    // the highest likelihood wins. With C estimated, the fit with C on its bound 0
    // competes too (possible only when no insect without deposit died).
    const FreeSet all = FreeSet::Of({0, 1, 2}), line = FreeSet::Of({0, 1});
    auto better = [](const Optimum &o, const Optimum &than) {
        const double tolerance = 1e-9 * std::fabs(o.ll);
        return o.converged && std::isfinite(o.ll)
            && (!than.converged || o.ll > than.ll + tolerance
                || (o.ll >= than.ll - tolerance && o.theta[2] == 0 && than.theta[2] != 0));
    };
    auto steeper = [](const Vec3 &start, double factor) {
        // The same middle, a steeper line.
        const double middle = -start[0] / start[1];
        return Vec3{-factor * start[1] * middle, factor * start[1], start[2]};
    };
    Optimum best;
    auto consider = [&](const Optimum &o) {
        if (better(o, best))
            best = o;
    };
    if (estimateC) {
        const double observed = std::clamp(data.r0 / data.n0, 0.01, 0.9);
        for (double C : {observed, observed / 2, std::min(0.9, observed * 1.5 + 0.05)}) {
            const Vec3 corrected = regressionStart(data, C);
            consider(climb(data, corrected, all));
            consider(climb(data, steeper(corrected, 2.5), all));
            Vec3 plain = regressionStart(data, 0);
            plain[2] = C;
            consider(climb(data, plain, all));
        }
        if (data.r0 == 0) {
            Optimum bound = climb(data, regressionStart(data, 0), line);
            bound.theta[2] = 0;
            consider(bound);
        }
    } else {
        const Vec3 start = regressionStart(data, 0);
        consider(climb(data, start, line));
        consider(climb(data, steeper(start, 0.5), line));
        consider(climb(data, steeper(start, 2.5), line));
    }
    const QString noConvergence = QStringLiteral(
        "Not estimable: the fit did not converge; the mortalities do not settle on one dose\u2013response line.");
    if (!best.converged)
        return none(noConvergence);
    if (!(best.theta[1] > 0))
        return none(QStringLiteral("Not estimable: the fitted slope is not positive; mortality does not rise with "
                                   "deposit."));
    // Twice as steep a line, the rest refitted: less likely at a true top. Where it
    // is not, the top found was a lesser one (climb on from there) or the slope
    // has no finite estimate (deaths that jump between two deposits), which
    // shows as a slope that keeps doubling.
    bool continued = false;
    for (int round = 0;; ++round) {
        const bool cFree = estimateC && best.theta[2] > 0;
        const Optimum profile = climb(data, steeper(best.theta, 2), cFree ? FreeSet::Of({0, 2}) : FreeSet::Of({0}));
        if (!(std::isfinite(profile.ll) && profile.ll >= best.ll - 1e-6))
            break;
        if (round == 6)
            return none(QStringLiteral("Not estimable: the fit did not converge; mortality jumps between two "
                                       "deposits, so the slope has no finite estimate."));
        Optimum next = climb(data, profile.theta, cFree ? all : line);
        if (estimateC && !cFree) {
            Vec3 inside = profile.theta;
            inside[2] = 0.01;
            const Optimum interior = climb(data, inside, all);
            if (interior.converged && interior.ll > next.ll)
                next = interior;
        }
        if (!std::isfinite(next.ll) || next.ll < profile.ll)
            next = profile;
        next.converged = true; // judged by the next round, and polished after the last
        best = next;
        continued = true;
    }
    if (continued) {
        const bool cFree = estimateC && best.theta[2] > 0;
        const Optimum polished = climb(data, best.theta, cFree ? all : line);
        if (!polished.converged)
            return none(noConvergence);
        best = polished;
    }
    const double a = best.theta[0], b = best.theta[1], C = best.theta[2];
    const bool saturated = std::all_of(data.dosed.begin(), data.dosed.end(), [&](const Group &g) {
        const LinkValue L = linkAt(data.link, a + b * g.u);
        return std::min(L.F, L.Q) < 1e-7;
    });
    if (saturated)
        return none(QStringLiteral("Not estimable: the fit did not converge; mortality jumps from none to all "
                                   "between two deposits, so the slope has no finite estimate."));

    // Variance: the inverse observed information; C drops out when held or on its bound.
    const bool freeC = estimateC && C > 0;
    const int m = freeC ? 3 : 2;
    const Eval at = evaluate(data, best.theta, true);
    Mat3 V;
    if (!invert(negated(at.hess), m, V))
        return none(noConvergence);

    // Pearson χ² over the dosed cages and the pooled cages without deposit.
    double chi = 0;
    int groups = 0;
    for (const Group &gr : data.dosed) {
        const LinkValue L = linkAt(data.link, a + b * gr.u);
        const double P = C + (1 - C) * L.F, Q = (1 - C) * L.Q;
        const double expected = gr.n * P;
        if (gr.n * P * Q > 0)
            chi += (gr.r - expected) * (gr.r - expected) / (gr.n * P * Q);
        ++groups;
    }
    if (estimateC && data.n0 > 0) {
        if (data.n0 * C * (1 - C) > 0)
            chi += (data.r0 - data.n0 * C) * (data.r0 - data.n0 * C) / (data.n0 * C * (1 - C));
        ++groups;
    }
    const int df = groups - m;
    double h = 1;
    double t = kNormal975;
    if (df > 0 && DoseMath::ChiSquareUpperTail(chi, df) < kHeterogeneityP) {
        h = chi / df;
        t = DoseMath::StudentTQuantile(0.975, df);
    }
    std::array<std::array<double, 2>, 2> v{};
    for (int j = 0; j < 2; ++j)
        for (int k = 0; k < 2; ++k)
            v[j][k] = h * V[j][k];

    fit.Intercept = a;
    fit.Slope = b;
    fit.SlopeSE = std::sqrt(v[1][1]);
    fit.NaturalMortality = C;
    fit.ChiSquare = chi;
    fit.DegreesOfFreedom = df;
    fit.HeterogeneityFactor = h;
    fit.g = t * t * v[1][1] / (b * b);
    fit.Covariance = v;
    fit.Critical = t;
    const double k50 = linkQuantile(data.link, 0.5), k90 = linkQuantile(data.link, 0.9);
    fit.LD50 = std::pow(10.0, (k50 - a) / b);
    fit.LD90 = std::pow(10.0, (k90 - a) / b);
    fit.LD50Interval = fiellerLimits(k50, a, b, v, t);
    fit.LD90Interval = fiellerLimits(k90, a, b, v, t);
    if (!(*fit.g < 1))
        fit.LimitsNote = QStringLiteral("No fiducial limits: g = %1 is not below 1, the slope is not distinguished "
                                        "from 0 at the 95 % level.")
                             .arg(DoseNumberText(NumberFormat(), *fit.g));
    return fit;
}

std::optional<DoseCurvePoint> DoseCurveAt(const DoseResponseFit &fit, double deposit)
{
    if (!fit.Fitted() || !(deposit > 0))
        return std::nullopt;
    const double u = std::log10(deposit);
    const double eta = *fit.Intercept + *fit.Slope * u;
    const auto &v = fit.Covariance;
    const double se = std::sqrt(std::max(0.0, v[0][0] + 2 * u * v[0][1] + u * u * v[1][1]));
    const double C = fit.NaturalMortality.value_or(0);
    auto at = [&](double e) { return C + (1 - C) * linkAt(fit.Link, e).F; };
    return DoseCurvePoint{at(eta), at(eta - fit.Critical * se), at(eta + fit.Critical * se)};
}

// --- texts ------------------------------------------------------------------------------

namespace {

QString limitsText(const NumberFormat &f, const std::optional<DoseLimits> &i)
{
    return i ? QStringLiteral("%1 to %2").arg(DoseNumberText(f, i->Low), DoseNumberText(f, i->High))
             : QStringLiteral("none");
}

} // namespace

std::vector<DoseResponseRow> DoseResponseTable(const DoseResponseFit &fit, const NumberFormat &f)
{
    const QString unit = DoseDepositUnit(fit.Deposit);
    std::vector<DoseResponseRow> rows;
    rows.push_back({QStringLiteral("Mortality"), DoseHourName(fit.Hour)});
    rows.push_back({QStringLiteral("Link"), fit.Link == DoseLink::Probit ? QStringLiteral("probit")
                                                                          : QStringLiteral("logit")});
    rows.push_back({QStringLiteral("Deposit"), unit});
    rows.push_back({QStringLiteral("Cages"), QString::number(fit.Cages)});
    if (!fit.Fitted()) {
        rows.push_back({QStringLiteral("Note"), fit.Note});
        return rows;
    }
    rows.push_back({QStringLiteral("Slope"), f.Format(*fit.Slope, "0.000") + QStringLiteral(" \u00B1 ")
                                                 + f.Format(*fit.SlopeSE, "0.000")});
    rows.push_back({QStringLiteral("Intercept"), f.Format(*fit.Intercept, "0.000")});
    rows.push_back({QStringLiteral("Natural mortality"),
                    fit.NaturalMortalityEstimated ? f.Format(*fit.NaturalMortality, "0.00%")
                                                  : QStringLiteral("held at 0 (no control count)")});
    rows.push_back({QStringLiteral("LD50 (") + unit + QLatin1Char(')'), DoseNumberText(f, *fit.LD50)});
    rows.push_back({QStringLiteral("LD50 95 % limits"), limitsText(f, fit.LD50Interval)});
    rows.push_back({QStringLiteral("LD90 (") + unit + QLatin1Char(')'), DoseNumberText(f, *fit.LD90)});
    rows.push_back({QStringLiteral("LD90 95 % limits"), limitsText(f, fit.LD90Interval)});
    rows.push_back({QStringLiteral("\u03C7\u00B2"), f.Format(*fit.ChiSquare, "0.00")});
    rows.push_back({QStringLiteral("df"), QString::number(*fit.DegreesOfFreedom)});
    rows.push_back({QStringLiteral("h"), f.Format(*fit.HeterogeneityFactor, "0.00")});
    rows.push_back({QStringLiteral("g"), f.Format(*fit.g, "0.000")});
    if (!fit.LimitsNote.isEmpty())
        rows.push_back({QStringLiteral("Note"), fit.LimitsNote});
    return rows;
}

QString DoseResponseClipboardText(const DoseResponseFit &fit, const NumberFormat &f)
{
    QString text;
    auto line = [&text](const QStringList &cells) { text += cells.join(QLatin1Char('\t')) + QStringLiteral("\r\n"); };
    auto number = [&f](const std::optional<double> &v) { return v ? DoseNumberText(f, *v) : QString(); };
    auto limit = [&f](const std::optional<DoseLimits> &i, bool high) {
        return i ? DoseNumberText(f, high ? i->High : i->Low) : QString();
    };
    const QString unit = DoseDepositUnit(fit.Deposit);
    line({QStringLiteral("Mortality"), DoseHourName(fit.Hour)});
    line({QStringLiteral("Link"), DoseLinkName(fit.Link)});
    line({QStringLiteral("Deposit"), unit});
    line({QStringLiteral("Cages"), QString::number(fit.Cages)});
    if (!fit.Fitted()) {
        line({QStringLiteral("Note"), fit.Note});
        return text;
    }
    line({QStringLiteral("Slope"), number(fit.Slope), QStringLiteral("SE"), number(fit.SlopeSE)});
    line({QStringLiteral("Intercept"), number(fit.Intercept)});
    line({QStringLiteral("Natural mortality"), number(fit.NaturalMortality),
          fit.NaturalMortalityEstimated ? QStringLiteral("estimated") : QStringLiteral("held at 0")});
    line({QStringLiteral("LD50 (") + unit + QLatin1Char(')'), number(fit.LD50), limit(fit.LD50Interval, false),
          limit(fit.LD50Interval, true)});
    line({QStringLiteral("LD90 (") + unit + QLatin1Char(')'), number(fit.LD90), limit(fit.LD90Interval, false),
          limit(fit.LD90Interval, true)});
    line({QStringLiteral("Chi-square"), number(fit.ChiSquare)});
    line({QStringLiteral("df"), QString::number(*fit.DegreesOfFreedom)});
    line({QStringLiteral("h"), number(fit.HeterogeneityFactor)});
    line({QStringLiteral("g"), number(fit.g)});
    if (!fit.LimitsNote.isEmpty())
        line({QStringLiteral("Note"), fit.LimitsNote});
    return text;
}

QString DoseResponseMethodText(const DoseResponseFit &fit)
{
    const bool probit = fit.Link == DoseLink::Probit;
    const QString F = probit ? QStringLiteral("the standard normal distribution function (probit)")
                             : QStringLiteral("the logistic function 1/(1 + e^-z) (logit)");
    const QString x = fit.Deposit == DoseDeposit::Drops
        ? QStringLiteral("the drop density on the slide in drops/cm\u00B2")
        : QStringLiteral("the spray volume on the slide in nL/cm\u00B2, the sum over size classes of count "
                         "\u00D7 (\u03C0/6)\u00B7d\u00B3 over the scanned area");
    return QStringLiteral(
               "Dose response: the %1 of each caged slide is related to the deposit x, %2, by "
               "P(x) = C + (1 \u2212 C)\u00B7F(a + b\u00B7log10 x), where F is %3 and C the natural mortality, "
               "%4. The intercept a, the slope b and C are fitted by maximum likelihood over the binomial "
               "counts of the cages; their variances are the inverse of the observed information. Goodness of "
               "fit is Pearson's \u03C7\u00B2 = \u03A3 (r \u2212 nP)\u00B2 / (nP(1 \u2212 P)) over the cages with "
               "deposit and the cages without deposit pooled as one, with the cages less the fitted parameters "
               "as degrees of freedom; when its probability is below 0.15 the variances are multiplied by "
               "h = \u03C7\u00B2/df and Student's t replaces 1.96 (Finney's rule). LD50 and LD90 are the deposits "
               "with F(a + b\u00B7log10 x) = 0.5 and 0.9; their 95 % fiducial limits follow Fieller's theorem, "
               "the roots \u03BC of (F\u207B\u00B9(p) \u2212 a \u2212 b\u03BC)\u00B2 = t\u00B2(v_aa + 2\u03BCv_ab + "
               "\u03BC\u00B2v_bb) taken back as 10^\u03BC, and exist only while g = t\u00B2v_bb/b\u00B2 is below 1.")
        .arg(DoseHourName(fit.Hour), x, F,
             fit.NaturalMortalityEstimated
                 ? QStringLiteral("estimated jointly from the control cage and the cages beside slides without drops")
                 : QStringLiteral("held at 0 because the set has no control count for this hour (cages without "
                                  "deposit are then left out)"));
}
