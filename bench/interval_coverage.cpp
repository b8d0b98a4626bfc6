// How often the counting intervals hold the value they stand for. Slides of n
// drops are drawn from known spectra over 20 classes; the "true" NMD, VMD and
// Dv0.9 are the figures of the spectrum itself (every class occupied, the
// in-cloud weights and the interpolation of the medians). Prints one table row
// per spectrum and count: coverage ± 2 standard errors and the misses on
// each side. Not a test: run by hand,
// `interval_coverage [sets per row] [draws per interval] [drops from which computed]`.
#include "model/CountingIntervals.h"
#include "model/DropSizeFigures.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kClasses = 20;

struct Spectrum
{
    const char *Name;
    std::vector<double> Share; // [0] unused, then classes 1 … kClasses
};

double normalCdf(double x) { return 0.5 * std::erfc(-x / std::sqrt(2.0)); }

// Log-normal in class index: class k holds the drops between k − ½ and k + ½.
std::vector<double> logNormal(double median, double sigma)
{
    std::vector<double> p(kClasses + 1, 0.0);
    for (int k = 1; k <= kClasses; ++k)
        p[size_t(k)] = normalCdf((std::log(k + 0.5) - std::log(median)) / sigma)
                       - normalCdf((std::log(k - 0.5) - std::log(median)) / sigma);
    return p;
}

std::vector<Spectrum> spectra()
{
    std::vector<double> bimodal(kClasses + 1, 0.0);
    const std::vector<double> fine = logNormal(4, 0.3), coarse = logNormal(13, 0.2);
    for (int k = 1; k <= kClasses; ++k)
        bimodal[size_t(k)] = 0.75 * fine[size_t(k)] + 0.25 * coarse[size_t(k)];
    return {{"LN(5, 0.5)", logNormal(5, 0.5)},
            {"LN(8, 0.45)", logNormal(8, 0.45)},
            {"bimodal", bimodal}};
}

enum Figure { kNmd, kVmd, kDv09, kFigures };

// The spectrum's own figures by the program's rules: every class occupied,
// the set's in-cloud weights.
void trueFigures(const Spectrum &s, const SlideSet &set, double out[kFigures])
{
    const AnalysisParameters &params = set.Params;
    const ClassWeights w = InCloudWeights(set);
    std::vector<float> cvf(kClasses + 1, 0.0f), cnf(kClasses + 1, 0.0f);
    std::vector<bool> occupied(kClasses + 1, true);
    occupied[0] = false;
    double volume = 0, number = 0;
    for (int k = 1; k <= kClasses; ++k) {
        volume += s.Share[size_t(k)] * w.Volume[size_t(k)];
        number += s.Share[size_t(k)] * w.Number[size_t(k)];
    }
    double cv = 0, cn = 0;
    for (int k = 1; k <= kClasses; ++k) {
        cv += s.Share[size_t(k)] * w.Volume[size_t(k)] / volume;
        cn += s.Share[size_t(k)] * w.Number[size_t(k)] / number;
        cvf[size_t(k)] = float(cv);
        cnf[size_t(k)] = float(cn);
    }
    out[kNmd] = DiameterAtFraction(cnf, occupied, params, 0.5);
    out[kVmd] = DiameterAtFraction(cvf, occupied, params, 0.5);
    out[kDv09] = DiameterAtFraction(cvf, occupied, params, 0.9);
}

struct Tally
{
    int Sets = 0;
    int Without = 0; // no interval given
    int Covered[kFigures] = {};
    int Below[kFigures] = {}; // truth below the interval
    int Above[kFigures] = {};
    double Width[kFigures] = {};
};

void count(Tally &t, const CountingIntervals &i, const double truth[kFigures])
{
    ++t.Sets;
    const std::optional<Interval> *all[kFigures] = {&i.NMD, &i.VMD, &i.Dv09};
    if (!*all[0]) {
        ++t.Without;
        return;
    }
    for (int f = 0; f < kFigures; ++f) {
        const Interval &r = **all[f];
        // Ends are floats: a truth within float rounding of an end counts as inside.
        const double slack = 1e-5 * std::max(1.0, std::abs(truth[f]));
        if (truth[f] < r.Low - slack)
            ++t.Below[f];
        else if (truth[f] > r.High + slack)
            ++t.Above[f];
        else
            ++t.Covered[f];
        t.Width[f] += r.High - r.Low;
    }
}

std::string coverage(const Tally &t, int f)
{
    const int judged = t.Sets - t.Without;
    if (judged == 0)
        return "n < N_min";
    const double p = double(t.Covered[f]) / judged;
    char text[64];
    std::snprintf(text, sizeof text, "%.1f ± %.1f %%", 100 * p, 200 * std::sqrt(p * (1 - p) / judged));
    return text;
}

} // namespace

int main(int argc, char **argv)
{
    const int sets = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    BootstrapSettings settings;
    settings.Threads = 1;
    if (argc > 2)
        settings.Replicates = std::max(1, std::atoi(argv[2]));
    if (argc > 3)
        settings.DrawnBelow = std::atoi(argv[3]);
    std::mt19937_64 rng(20261207);
    SlideSet base;
    int16_t largest = 0;
    base.Params.MaxSizeEPD = kClasses;
    ResizeClassArrays(base, largest);

    std::printf("%d sets per row, %d draws an interval; %.0f µm a class\n\n", sets, settings.Replicates,
                double(base.Params.MicronsPerEPD) * double(base.Params.SpreadFactor));
    std::printf("| spectrum | drops per slide | slides | NMD covered | VMD covered | Dv0.9 covered | truth below / above: NMD, VMD, Dv0.9 | Dv0.9 mean width µm |\n");
    std::printf("|---|---|---|---|---|---|---|---|\n");
    const std::vector<Spectrum> all = spectra();
    for (size_t si = 0; si < all.size(); ++si) {
        const Spectrum &s = all[si];
        double truth[kFigures];
        trueFigures(s, base, truth);
        std::discrete_distribution<int> drop(s.Share.begin(), s.Share.end());
        struct Case { int Drops, Slides; };
        // 75 and 99: the drawn intervals at the top of their range, 100 the computed at the bottom.
        for (const Case c : {Case{10, 1}, Case{20, 1}, Case{50, 1}, Case{75, 1}, Case{99, 1}, Case{100, 1},
                             Case{200, 1}, Case{1000, 1}, Case{10, 5}, Case{20, 5}, Case{50, 5}, Case{10, 20},
                             Case{20, 20}, Case{50, 20}}) {
            Tally t;
            for (int r = 0; r < sets; ++r) {
                SlideSet set = base;
                for (int i = 0; i < c.Slides; ++i) {
                    const int16_t index = AddSlide(set, float(i));
                    for (int d = 0; d < c.Drops; ++d)
                        ++set.Slides[index].Counts[size_t(drop(rng))];
                    SetDropCount(set, 0, 0, index, largest);
                }
                const LineIntervals li = BootstrapIntervals(set, settings);
                count(t, c.Slides == 1 ? li.Slides[1] : li.Composite, truth);
            }
            char misses[96], width[32];
            std::snprintf(misses, sizeof misses, "%d / %d, %d / %d, %d / %d", t.Below[kNmd], t.Above[kNmd],
                          t.Below[kVmd], t.Above[kVmd], t.Below[kDv09], t.Above[kDv09]);
            std::snprintf(width, sizeof width, "%.1f", t.Sets > t.Without ? t.Width[kDv09] / (t.Sets - t.Without) : 0.0);
            std::printf("| %s | %d | %d | %s | %s | %s | %s | %s |\n", s.Name, c.Drops,
                        c.Slides, coverage(t, kNmd).c_str(), coverage(t, kVmd).c_str(), coverage(t, kDv09).c_str(),
                        t.Sets > t.Without ? misses : "–", t.Sets > t.Without ? width : "–");
            std::fflush(stdout);
        }
    }
    std::printf("\ntrue figures (µm):");
    for (const Spectrum &s : all) {
        double truth[kFigures];
        trueFigures(s, base, truth);
        std::printf("  [%s] NMD %.2f, VMD %.2f, Dv0.9 %.2f", s.Name, truth[kNmd], truth[kVmd], truth[kDv09]);
    }
    std::printf("\n");
}
