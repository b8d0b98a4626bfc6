#include "test_graphs_data.h"

#include <cmath>

void PutDrops(SlideSet &set, ViewState &view, int16_t slide, int16_t k, int16_t count)
{
    SetDropCount(set, k, count, slide, view.LargestSizeFound);
}

void Refresh(SlideSet &set, ViewState &view)
{
    for (int16_t i = 1; i <= set.SlideCount(); ++i)
        ComputeMortality(set.Slides[i], set.ControlData);
    if (set.SlideCount() > 0)
        CalcComposite(set, view.Composite);
    if (view.CompositeChecked) {
        view.CurrentVMD = view.Composite.CompVMD;
        view.CurrentNMD = view.Composite.CompNMD;
    } else {
        view.CurrentVMD = set.Current().VMD;
        view.CurrentNMD = set.Current().NMD;
    }
}

SlideSet MakeRealisticLine(ViewState &view, int16_t current)
{
    SlideSet set;
    view = ViewState();
    set.ControlData = MortalityCounts{25, 0, 1, 3};
    set.Texts = ParameterTexts{QStringLiteral("Field Station North"), QStringLiteral("ULV truck rotary"),
                               QStringLiteral("1.5"), QStringLiteral("14/08/2026"), QStringLiteral("06:30"),
                               QStringLiteral("2"), QStringLiteral("21"), QStringLiteral("8"),
                               QStringLiteral("90"), QStringLiteral("65"), QStringLiteral("Malathion 95"),
                               QStringLiteral("0.6")};
    const float positions[] = {-45, -30, -20, -10, -4, 4, 10, 20, 30, 45};
    for (float p : positions) {
        const int16_t i = AddSlide(set, p);
        // Heaviest and coarsest about 5 m downwind of the line.
        const double nearness = std::exp(-std::pow((p - 5.0) / 22.0, 2));
        const double amount = 3.0 + 30.0 * nearness;
        const double centre = 2.5 + 3.0 * nearness;
        for (int16_t k = 1; k <= 18; ++k) {
            const double shape = std::exp(-std::pow((k - centre) / 3.0, 2));
            const int16_t count = static_cast<int16_t>(std::lround(amount * shape));
            if (count > 0)
                PutDrops(set, view, i, k, count);
        }
        // A few large drops near the line.
        if (nearness > 0.5) {
            PutDrops(set, view, i, 12, 2);
            PutDrops(set, view, i, 15, 1);
        }
        // No cage beside the two outermost slides.
        if (p != -45 && p != 45) {
            const int16_t n = 20;
            set.Slides[i].Cage = MortalityCounts{n, static_cast<int16_t>(std::lround(n * 0.6 * nearness)),
                                                 static_cast<int16_t>(std::lround(n * (0.05 + 0.7 * nearness))),
                                                 static_cast<int16_t>(std::lround(n * (0.15 + 0.8 * nearness)))};
        }
    }
    set.CurrentSlide = current == 0 ? set.SlideCount() : current;
    Refresh(set, view);
    return set;
}
