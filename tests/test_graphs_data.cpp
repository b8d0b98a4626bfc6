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
    const bool comp = view.CompositeChecked;
    view.CurrentVMD = comp ? view.Composite.CompVMD : set.Current().VMD;
    view.CurrentNMD = comp ? view.Composite.CompNMD : set.Current().NMD;
}

SlideSet MakeRealisticLine(ViewState &view, int16_t current)
{
    SlideSet set;
    view = ViewState();
    set.ControlData = MortalityCounts{25, 0, 1, 3};
    set.Texts = ParameterTexts{"Field Station North", "ULV truck rotary", "1.5", "14/08/2026", "06:30", "2",
                               "21", "8", "90", "65", "Malathion 95", "0.6"};
    for (float p : {-45, -30, -20, -10, -4, 4, 10, 20, 30, 45}) {
        const int16_t i = AddSlide(set, p);
        const double nearness = std::exp(-std::pow((p - 5.0) / 22.0, 2)); // peak 5 m downwind
        const double amount = 3.0 + 30.0 * nearness, centre = 2.5 + 3.0 * nearness;
        for (int16_t k = 1; k <= 18; ++k) {
            const auto count = static_cast<int16_t>(std::lround(amount * std::exp(-std::pow((k - centre) / 3.0, 2))));
            if (count > 0)
                PutDrops(set, view, i, k, count);
        }
        if (nearness > 0.5) { // a few large drops near the line
            PutDrops(set, view, i, 12, 2);
            PutDrops(set, view, i, 15, 1);
        }
        auto share = [&](double s) { return static_cast<int16_t>(std::lround(20 * s)); };
        if (p != -45 && p != 45)
            set.Slides[i].Cage = MortalityCounts{20, share(0.6 * nearness), share(0.05 + 0.7 * nearness),
                                                 share(0.15 + 0.8 * nearness)};
    }
    set.CurrentSlide = current == 0 ? set.SlideCount() : current;
    Refresh(set, view);
    return set;
}
