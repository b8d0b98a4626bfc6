#pragma once

#include <optional>

// How much of the spray cloud a collector catches: small drops follow the air
// round it, large ones strike it. The share of drops of one size caught out of
// those heading for the collector is its collection efficiency E, 0 … 1, set by
// the impaction parameter (a Stokes number): drop density × diameter² × air
// speed over the air's viscosity × the collector's width.

// How the in-cloud figures weight a counted drop of class k.
enum class CloudMethod {
    Diameter2, // "Diameter ²": efficiency proportional to diameter², weights 1/k² and k
    Impaction  // "May && Clifford": E from the collector and the air, weights 1/E and k³/E
};

enum class CollectorShape {
    Ribbon,  // a flat slide facing the flow
    Cylinder // a rod, or the edge of a rotating slide
};

// The collector and the air past it, as the operator gives them.
struct CollectorSettings
{
    CollectorShape Shape = CollectorShape::Ribbon;
    double WidthMM = 25;              // width facing the flow (a cylinder's diameter)
    std::optional<double> AirSpeedMS; // empty: the trial's wind speed
    double DropDensity = 1000;        // kg/m³

    bool operator==(const CollectorSettings &) const = default;
};

struct CloudWeighting
{
    CloudMethod Method = CloudMethod::Diameter2;
    CollectorSettings Collector;

    bool operator==(const CloudWeighting &) const = default;
};

// Below this efficiency a class's weight is taken at the floor, so that one drop
// of a class the collector hardly catches cannot stand for an unbounded number.
inline constexpr double kEfficiencyFloor = 0.05;

// Air temperature when the trial gives none.
inline constexpr double kDefaultAirTemperatureC = 20.0;

// Dynamic viscosity of air in Pa·s at `celsius` (Sutherland's law).
double AirViscosity(double celsius);

// The impaction parameter of the shape: ψ = ρd²U/(18μW) for the ribbon,
// K = ρd²U/(9μW) for the cylinder. SI units throughout.
double ImpactionParameter(CollectorShape shape, double diameterM, double airSpeedMS, double widthM,
                          double dropDensity, double viscosity);

// E of a flat ribbon in potential flow at impaction parameter ψ (0 up to ψ = 1/8).
double RibbonEfficiency(double psi);
// E of a cylinder at impaction parameter K (0 up to K = 1/8).
double CylinderEfficiency(double k);

// E of the shape for a drop of `diameterM`.
double CollectionEfficiency(CollectorShape shape, double diameterM, double airSpeedMS, double widthM,
                            double dropDensity, double viscosity);

// Unit conversions of the trial's readings.
inline double FahrenheitToCelsius(double f)
{
    return (f - 32.0) * 5.0 / 9.0;
}
inline double KilometresPerHourToMS(double kmh)
{
    return kmh / 3.6;
}
inline double MilesPerHourToMS(double mph)
{
    return mph * 0.44704;
}
