#include "CloudWeights.h"

#include "NumberText.h"
#include "Units.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

// A reading typed in the meteorology fields: digits with at most one decimal
// separator, which may be the point or the comma (the field holds no grouping).
std::optional<double> reading(const QString &text)
{
    double value = 0;
    for (QChar decimal : {QLatin1Char('.'), QLatin1Char(',')})
        if (NumberFormat(decimal).ToDouble(text, value) == ParseStatus::Ok && std::isfinite(value))
            return value;
    return std::nullopt;
}

double diameterMetres(const AnalysisParameters &params, int k)
{
    return ShownClassDiameter(params, k) * 1e-6;
}

} // namespace

SamplingAir ResolveSamplingAir(const SlideSet &set)
{
    SamplingAir air;
    const bool metric = set.Params.Metric;
    if (const auto t = reading(set.Texts.AirTemp)) {
        air.TemperatureC = metric ? *t : FahrenheitToCelsius(*t);
        air.TemperatureGiven = true;
    }
    air.Viscosity = AirViscosity(air.TemperatureC);
    if (const auto &own = set.Cloud.Collector.AirSpeedMS) {
        air.SpeedMS = *own;
        air.SpeedGiven = true;
    } else if (const auto w = reading(set.Texts.WindSpeed); w && *w >= 0) {
        air.SpeedMS = metric ? KilometresPerHourToMS(*w) : MilesPerHourToMS(*w);
        air.SpeedFromTrial = true;
        air.SpeedGiven = true;
    }
    return air;
}

std::vector<double> ClassEfficiencies(const SlideSet &set)
{
    const CollectorSettings &c = set.Cloud.Collector;
    const SamplingAir air = ResolveSamplingAir(set);
    std::vector<double> e(size_t(std::max<int>(set.Params.MaxSizeEPD, 0)) + 1, 0.0);
    for (size_t k = 1; k < e.size(); ++k)
        e[k] = CollectionEfficiency(c.Shape, diameterMetres(set.Params, int(k)), air.SpeedMS, c.WidthMM * 1e-3,
                                    c.DropDensity, air.Viscosity);
    return e;
}

CloudWeights::CloudWeights(const SlideSet &set)
    : m_squared(set.Cloud.Method == CloudMethod::Diameter2)
{
    if (m_squared)
        return;
    m_air = ResolveSamplingAir(set);
    m_efficiency = ClassEfficiencies(set);
    m_floored.resize(m_efficiency.size());
    m_volumePerDrop.resize(m_efficiency.size());
    for (size_t k = 0; k < m_efficiency.size(); ++k) {
        m_floored[k] = std::max(m_efficiency[k], kEfficiencyFloor);
        const double kd = double(k);
        m_volumePerDrop[k] = kd * kd * kd / m_floored[k];
    }
}

int64_t DropsBelowFloor(const Slide &slide, const CloudWeights &weights)
{
    int64_t n = 0;
    if (weights.DiameterSquared())
        return n;
    const size_t classes = std::min(slide.Counts.size(), weights.Efficiency().size());
    for (size_t k = 1; k < classes; ++k)
        if (slide.Counts[k] > 0 && weights.BelowFloor(int(k)))
            n += slide.Counts[k];
    return n;
}

int64_t DropsBelowFloor(const SlideSet &set, const CloudWeights &weights)
{
    int64_t n = 0;
    for (int s = 1; s <= set.SlideCount(); ++s)
        n += DropsBelowFloor(set.Slides[size_t(s)], weights);
    return n;
}

QString CloudMethodText(const SlideSet &set, const NumberFormat &f)
{
    if (set.Cloud.Method == CloudMethod::Diameter2)
        return QStringLiteral("In-cloud figures (fractions, medians, Dv0.1, Dv0.9, span and size ranges) take a "
                              "slide's collection efficiency as proportional to the square of the drop diameter "
                              "(\"Diameter %1\"): a drop counted in class k stands for 1/k%1 drops of the cloud.")
            .arg(kSquared);

    const CollectorSettings &c = set.Cloud.Collector;
    const SamplingAir air = ResolveSamplingAir(set);
    const bool ribbon = c.Shape == CollectorShape::Ribbon;
    QString speed;
    if (!air.SpeedGiven)
        speed = QStringLiteral("no air speed (the trial gives no wind speed), so nothing is caught by impaction");
    else if (air.SpeedFromTrial)
        speed = QStringLiteral("air speed %1 m/s (the trial's wind speed)").arg(f.Format(air.SpeedMS, "0.00"));
    else
        speed = QStringLiteral("air speed %1 m/s").arg(f.Format(air.SpeedMS, "0.00"));
    const QString temperature = air.TemperatureGiven
                                    ? QStringLiteral("at the trial's %1 °C").arg(f.Format(air.TemperatureC, "0.0"))
                                    : QStringLiteral("at 20 °C (the trial gives no air temperature)");
    return QStringLiteral(
               "In-cloud figures (fractions, medians, Dv0.1, Dv0.9, span and size ranges) follow the collection "
               "efficiency E of the collector (\"May & Clifford\"): %1 %2 mm wide facing the flow, %3, drop "
               "density %4 kg/m%5, air viscosity %6 %7Pa\u00B7s %8. E comes from %9 for each size class; a drop "
               "counted in class k stands for 1/E drops of the cloud and for k%10/E in volume, with E taken as at "
               "least %11.")
        .arg(ribbon ? QStringLiteral("a flat ribbon") : QStringLiteral("a cylinder"), f.Format(c.WidthMM, "0.0##"),
             speed, f.Format(c.DropDensity, "0"), QString(QChar(u'\u00B3')), f.Format(air.Viscosity * 1e6, "0.00"),
             QString(kMicro), temperature,
             ribbon ? QStringLiteral("Ranz & Wong's potential-flow solution")
                    : QStringLiteral("Langmuir & Blodgett's fit"))
        .arg(QChar(u'\u00B3'))
        .arg(f.Format(kEfficiencyFloor, "0.00"));
}

QString BelowFloorText(const SlideSet &set, const NumberFormat &f)
{
    const CloudWeights weights(set);
    const int64_t n = DropsBelowFloor(set, weights);
    if (n == 0)
        return QString();
    return QStringLiteral("%1 counted %2 in size classes the collector catches less than %3 of: the in-cloud share "
                          "of the smallest drops is a lower bound.")
        .arg(f.Format(double(n), "0"), n == 1 ? QStringLiteral("drop lies") : QStringLiteral("drops lie"),
             f.Format(kEfficiencyFloor, "0%"));
}

QStringList CloudMethodSummary(const SlideSet &set, const NumberFormat &f)
{
    if (set.Cloud.Method == CloudMethod::Diameter2)
        return {QStringLiteral("Diameter ") + kSquared};
    const CollectorSettings &c = set.Cloud.Collector;
    const SamplingAir air = ResolveSamplingAir(set);
    return {QStringLiteral("May & Clifford: %1 %2 mm")
                .arg(c.Shape == CollectorShape::Ribbon ? QStringLiteral("ribbon") : QStringLiteral("cylinder"),
                     f.Format(c.WidthMM, "0.0##")),
            QStringLiteral("air %1 m/s, drops %2 kg/m%3")
                .arg(f.Format(air.SpeedMS, "0.00"), f.Format(c.DropDensity, "0"), QString(QChar(u'\u00B3')))};
}

QStringList BelowFloorSummary(const SlideSet &set, const NumberFormat &f)
{
    const int64_t n = DropsBelowFloor(set, CloudWeights(set));
    if (n == 0)
        return {};
    return {QStringLiteral("%1 %2 below E = %3:")
                .arg(f.Format(double(n), "0"), n == 1 ? QStringLiteral("drop") : QStringLiteral("drops"),
                     f.Format(kEfficiencyFloor, "0.00")),
            QStringLiteral("smallest-drop share a lower bound")};
}
