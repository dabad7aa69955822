#include "library/datemath/core/angles.h"

#include <cmath>
#include <utility>

namespace korvel::angles {

namespace {

// Past this many turns repeated subtraction would take too long, and long before 2·P stops
// changing the angle at all (from about 1e16 on, where it would never end).
constexpr double kMostTurnsBySubtraction = 1e6;

template <typename Function>
float scan(double x, Function f) noexcept {
    const double step = kP / 100;
    const double half = kP / 200;
    for (double t = 0; t <= 2 * kP; t += step) {
        double low = f(t - half), high = f(t + half);
        if (low > high) std::swap(low, high);
        if (low <= x && x <= high) return float(t);
    }
    return 0;
}

}  // namespace

double principalMeasure(double angle) noexcept {
    if (std::fabs(angle) > kMostTurnsBySubtraction * 2 * kP) angle = std::fmod(angle, 2 * kP);
    while (angle > kP) angle -= 2 * kP;
    while (angle < -kP) angle += 2 * kP;
    return angle;
}

float inverseCosine(double x) noexcept {
    return scan(x, [](double t) { return std::cos(t); });
}

float inverseSine(double x) noexcept {
    return scan(x, [](double t) { return std::sin(t); });
}

double closestPairMean(float a1, float a2, float a3, float a4) noexcept {
    float d1 = std::fabs(a1 - a3), d2 = std::fabs(a1 - a4), d3 = std::fabs(a2 - a3), d4 = std::fabs(a2 - a4);
    float result = 0;
    if (d1 <= d2 && d1 <= d3 && d1 <= d4) result = (a1 + a3) / 2;
    if (d2 <= d1 && d2 <= d3 && d2 <= d4) result = (a1 + a4) / 2;
    if (d3 <= d1 && d3 <= d2 && d3 <= d4) result = (a2 + a3) / 2;
    if (d4 <= d1 && d4 <= d2 && d4 <= d3) result = (a2 + a4) / 2;
    return result;
}

double directionAngle(double x, double y, double cx, double cy) noexcept {
    double dx = x - cx, dy = y - cy;
    double r = std::sqrt(dx * dx + dy * dy);
    float a1 = float(principalMeasure(inverseCosine(dx / r)));
    float a2 = float(principalMeasure(2 * kP - a1));
    float a3 = float(principalMeasure(inverseSine(dy / r)));
    float a4 = float(principalMeasure(kP - a3));
    return closestPairMean(a1, a2, a3, a4);
}

}  // namespace korvel::angles
