#include "CollectionEfficiency.h"

#include <cmath>
#include <numbers>

double AirViscosity(double celsius)
{
    const double t = celsius + 273.15;
    return 1.458e-6 * std::pow(t, 1.5) / (t + 110.4);
}

double ImpactionParameter(CollectorShape shape, double diameterM, double airSpeedMS, double widthM,
                          double dropDensity, double viscosity)
{
    const double divisor = shape == CollectorShape::Ribbon ? 18.0 : 9.0;
    return dropDensity * diameterM * diameterM * airSpeedMS / (divisor * viscosity * widthM);
}

// Ranz & Wong (1952): near the stagnation line the drop decelerates towards the
// ribbon as a damped oscillator and drifts sideways with the diverging flow; a
// drop is caught when it reaches the face before it has drifted past the edge.
// τ is the time to reach the face, s₁ and s₂ the rates of the sideways motion.
double RibbonEfficiency(double psi)
{
    if (!(psi > 0.125))
        return 0.0;
    const double q = std::sqrt(1.0 / (2.0 * psi) - 1.0 / (16.0 * psi * psi));
    const double tau = std::atan2(4.0 * psi * q, 4.0 * psi - 1.0) / q;
    const double root = std::sqrt(1.0 / (16.0 * psi * psi) + 1.0 / (2.0 * psi));
    const double s1 = -1.0 / (4.0 * psi) + root;
    const double s2 = -1.0 / (4.0 * psi) - root;
    const double e = (s2 - s1) / (s2 * std::exp(s1 * tau) - s1 * std::exp(s2 * tau));
    // Just above the threshold τ is so long that the exponential overflows: nothing is caught.
    return std::isfinite(e) && e > 0.0 ? e : 0.0;
}

// Langmuir & Blodgett (1946), their fit to computed trajectories.
double CylinderEfficiency(double k)
{
    if (!(k > 0.125))
        return 0.0;
    if (k <= 1.1) {
        const double l = std::log10(8.0 * k);
        return 0.466 * l * l;
    }
    return k / (k + std::numbers::pi / 2.0);
}

double CollectionEfficiency(CollectorShape shape, double diameterM, double airSpeedMS, double widthM,
                            double dropDensity, double viscosity)
{
    const double p = ImpactionParameter(shape, diameterM, airSpeedMS, widthM, dropDensity, viscosity);
    return shape == CollectorShape::Ribbon ? RibbonEfficiency(p) : CylinderEfficiency(p);
}
