#pragma once

// Small builders shared by the model suites.
#include "model/SlideSet.h"

#include <random>

// A set with the default optics and one slide per entry of `counts`, each given
// as (class, count) pairs.
inline SlideSet SetWithSlide(std::initializer_list<std::pair<int, int>> counts, int16_t &largest)
{
    SlideSet set;
    const int16_t index = AddSlide(set, 0.0f);
    for (const auto &[k, n] : counts)
        set.Slides[index].Counts[k] = static_cast<int16_t>(n);
    SetDropCount(set, 0, 0, index, largest);
    set.CurrentSlide = index;
    return set;
}

// Random slides: `slides` slides with random counts (some classes empty, some
// slides empty), random sweeps, over `maxSize` classes.
inline SlideSet RandomSet(std::mt19937 &rng, int slides, int16_t maxSize, int16_t &largest)
{
    SlideSet set;
    set.Params.MaxSizeEPD = maxSize;
    ResizeClassArrays(set, largest);
    std::uniform_int_distribution<int> count(0, 60);
    std::uniform_int_distribution<int> occupied(0, 2);
    std::uniform_int_distribution<int> sweeps(1, 3);
    for (int s = 0; s < slides; ++s) {
        const int16_t i = AddSlide(set, float(s * 2 - slides));
        set.Slides[i].Sweeps = float(sweeps(rng));
        ComputeSlideArea(set.Slides[i], set.Params);
        for (int k = 1; k <= maxSize; ++k)
            if (occupied(rng) == 0)
                set.Slides[i].Counts[k] = static_cast<int16_t>(count(rng));
        SetDropCount(set, 0, 0, i, largest);
    }
    set.CurrentSlide = 1;
    return set;
}
