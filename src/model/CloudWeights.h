#pragma once

#include "CollectionEfficiency.h"
#include "SlideSet.h"

#include <QString>
#include <QStringList>

#include <vector>

class NumberFormat;

// The air the collector sampled in, taken from the trial's meteorology.
struct SamplingAir
{
    double TemperatureC = kDefaultAirTemperatureC;
    bool TemperatureGiven = false; // false: the trial gives none, 20 °C assumed
    double Viscosity = 0;          // Pa·s
    double SpeedMS = 0;            // past the collector
    bool SpeedFromTrial = false;   // taken from the trial's wind speed
    bool SpeedGiven = false;       // false: neither the settings nor the trial give one (0 used)
};

// Air temperature, viscosity and air speed for the set's collector. The trial's
// readings are in °C and km/h, or °F and mph in U.S. units, typed with either
// decimal separator.
SamplingAir ResolveSamplingAir(const SlideSet &set);

// What a drop of class k counted on a slide stands for in the cloud. Every
// in-cloud figure (slides, composite, counting intervals) takes its weights from
// here. Under "Diameter ²" the efficiency is taken as proportional to k², so a
// drop weighs 1/k² in number and k in volume; under the impaction model E_k of
// the class's diameter, floored at kEfficiencyFloor, gives 1/E_k and k³/E_k.
class CloudWeights
{
public:
    explicit CloudWeights(const SlideSet &set);

    bool DiameterSquared() const { return m_squared; }

    // `count` drops (or drops per cm²) of class k: their in-cloud number and
    // volume weight. Under "Diameter ²" these are count/k² and count × k exactly
    // as the figures were always computed.
    double Number(double count, int k) const
    {
        return m_squared ? count / (double(k) * double(k)) : count / m_floored[size_t(k)];
    }
    double Volume(double count, int k) const
    {
        return m_squared ? count * k : count * m_volumePerDrop[size_t(k)];
    }
    // The weight of one drop, for sums over many redraws of the same classes.
    double NumberPerDrop(int k) const { return m_squared ? 1.0 / (double(k) * double(k)) : 1.0 / m_floored[size_t(k)]; }
    double VolumePerDrop(int k) const { return m_squared ? double(k) : m_volumePerDrop[size_t(k)]; }

    // The impaction model's E of class k (0 … 1), not floored; empty under "Diameter ²".
    const std::vector<double> &Efficiency() const { return m_efficiency; }
    // Class k's weight rests on the floor rather than on its own efficiency.
    bool BelowFloor(int k) const { return !m_squared && m_efficiency[size_t(k)] < kEfficiencyFloor; }

    const SamplingAir &Air() const { return m_air; }

private:
    bool m_squared = true;
    SamplingAir m_air;
    std::vector<double> m_efficiency, m_floored, m_volumePerDrop;
};

// E of each class 0 … MaxSizeEPD for the set's collector and air (class 0 is 0),
// whatever method is chosen: what the collector dialog shows.
std::vector<double> ClassEfficiencies(const SlideSet &set);

// Counted drops of every slide in classes whose efficiency lies below the floor;
// 0 under "Diameter ²".
int64_t DropsBelowFloor(const SlideSet &set, const CloudWeights &weights);
int64_t DropsBelowFloor(const Slide &slide, const CloudWeights &weights);

// The in-cloud method and its parameters in plain words, for the report and the
// window: one paragraph.
QString CloudMethodText(const SlideSet &set, const NumberFormat &format);

// A sentence on the drops below the floor, empty when there are none.
QString BelowFloorText(const SlideSet &set, const NumberFormat &format);

// Short lines for a summary or the report's first page: "Diameter ²", or
// "May & Clifford: ribbon 25.0 mm", "air 2.50 m/s, drops 1000 kg/m³"; and
// "12 drops below E = 0.05:", "smallest-drop share a lower bound" (none when no
// drop lies below the floor).
QStringList CloudMethodSummary(const SlideSet &set, const NumberFormat &format);
QStringList BelowFloorSummary(const SlideSet &set, const NumberFormat &format);
