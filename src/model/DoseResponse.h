#pragma once

#include "CountingIntervals.h"
#include "SlideSet.h"

#include <QString>

#include <array>
#include <optional>
#include <vector>

class NumberFormat;

// How much deposit kills: the mortality of each caged slide against the deposit
// on that slide, fitted as P(x) = C + (1 − C)·F(a + b·log10 x) by maximum
// likelihood, with Fieller's fiducial limits of the LD50 and LD90 (the deposit
// that kills half and nine tenths of the insects the natural mortality spares).

enum class DoseLink { Probit, Logit };
enum class DoseDeposit { Drops, Volume }; // drops/cm², or nL/cm²

struct DoseResponseOptions
{
    int Hour = 24; // 1 (knockdown), 12 or 24
    DoseLink Link = DoseLink::Probit;
    DoseDeposit Deposit = DoseDeposit::Drops;

    bool operator==(const DoseResponseOptions &) const = default;
};

// One cage as the graph shows it.
struct DosePoint
{
    int16_t Slide = 0;     // 0: the control cage
    double Deposit = 0;    // 0 for the control cage and a slide without drops
    int Insects = 0;
    int Dead = 0;
    double Fraction = 0;   // Dead / Insects
    Interval Binomial;     // its 95 % Wilson score interval
    bool InFit = false;    // left out: no deposit while the natural mortality is held at 0
};

// Fiducial limits, in the deposit's unit (doubles: limits near g = 1 run far
// beyond a float's range).
struct DoseLimits
{
    double Low = 0;
    double High = 0;

    bool operator==(const DoseLimits &) const = default;
};

struct DoseResponseFit
{
    int Hour = 24;
    DoseLink Link = DoseLink::Probit;
    DoseDeposit Deposit = DoseDeposit::Drops;
    int Cages = 0; // slides' cages in the fit (the control cage not counted)

    // Empty when no fit exists (Note then says why).
    std::optional<double> Intercept; // a
    std::optional<double> Slope;     // b, per log10 of deposit
    std::optional<double> SlopeSE;
    std::optional<double> NaturalMortality; // C
    bool NaturalMortalityEstimated = false; // false: held at 0, the set has no control count for the hour
    std::optional<double> LD50, LD90;       // in the deposit's unit
    std::optional<DoseLimits> LD50Interval, LD90Interval; // empty also when g ≥ 1
    std::optional<double> ChiSquare;
    std::optional<int> DegreesOfFreedom;
    std::optional<double> HeterogeneityFactor; // h: χ²/df when heterogeneous, otherwise 1
    std::optional<double> g;
    QString Note;       // empty when fitted: otherwise why there is no fit
    QString LimitsNote; // empty unless the fit stands but its fiducial limits do not exist

    // For the graph: every cage, the observed no-deposit level, and what the
    // 95 % band of the curve needs.
    std::vector<DosePoint> Points;
    std::optional<double> ControlFraction; // dead / insects of the pooled cages without deposit
    std::array<std::array<double, 2>, 2> Covariance{}; // of (a, b), heterogeneity included
    double Critical = 0; // z or Student's t

    bool Fitted() const { return Slope.has_value(); }
};

DoseResponseFit FitDoseResponse(const SlideSet &set, const DoseResponseOptions &options);

// The fitted curve at a deposit: mortality and its 95 % band (from the variance of
// a + b·log10 x, the natural mortality taken as it was fitted). Empty without a fit.
struct DoseCurvePoint
{
    double Mortality = 0, Low = 0, High = 0;
};
std::optional<DoseCurvePoint> DoseCurveAt(const DoseResponseFit &fit, double deposit);

// The deposit of a slide in the chosen measure: drops/cm² as the window shows
// it, or nL/cm² = Σ count_k · (π/6)·d_k³ / area (d_k in µm, 1 µm³ = 10⁻⁶ nL).
double SlideDeposit(const Slide &slide, const AnalysisParameters &params, DoseDeposit deposit);

// The names the command line and the settings use: "probit", "logit";
// "drops", "volume"; and back (false for an unknown word).
QString DoseLinkName(DoseLink link);
QString DoseDepositName(DoseDeposit deposit);
bool ParseDoseLink(const QString &text, DoseLink &link);
bool ParseDoseDeposit(const QString &text, DoseDeposit &deposit);
// "drops/cm²" or "nL/cm²".
QString DoseDepositUnit(DoseDeposit deposit);
// "1 hr knockdown", "12 hr mortality", "24 hr mortality".
QString DoseHourName(int hour);

// A deposit or LD for a person: three or four significant figures.
QString DoseNumberText(const NumberFormat &format, double value);

// The table of the fit: caption and value per row, as the tab, the report and
// Copy Table show it (the note in place of the figures when there is no fit).
struct DoseResponseRow
{
    QString Caption;
    QString Value;
};
std::vector<DoseResponseRow> DoseResponseTable(const DoseResponseFit &fit, const NumberFormat &format);

// The table as tab-separated lines for a spreadsheet, limits in columns of their own.
QString DoseResponseClipboardText(const DoseResponseFit &fit, const NumberFormat &format);

// One paragraph in plain words with the model's formulas, for the report's methods.
QString DoseResponseMethodText(const DoseResponseFit &fit);

// --- distributions used by the fit (exposed for their tests) -------------------
namespace DoseMath {
double NormalQuantile(double p);
double ChiSquareUpperTail(double x, int df);
double StudentTQuantile(double p, int df);
} // namespace DoseMath
