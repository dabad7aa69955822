// Angles with π taken as 3.14, as the class's users have always had them: the principal
// measure, the hypotenuse, inverse cosine and sine found by scanning in steps of P/100, and the
// direction angle of a line made from those scans.
#pragma once

namespace korvel::angles {

inline constexpr double kP = 3.14;

// Reduces `angle` into about (-P, P] by steps of 2·P, as repeated subtraction would; angles so
// large that a step no longer changes them are first brought near by the exact remainder.
// The angle must be finite.
double principalMeasure(double angle) noexcept;

// The first step t = 0, P/100, 2·P/100... (t ≤ 2·P) whose cosine (sine) interval
// [t - P/200, t + P/200] holds x; 0 when none does, which is the case for ±1.
float inverseCosine(double x) noexcept;
float inverseSine(double x) noexcept;

// The direction from the two angles with the line's cosine (a1, a2) and the two with its sine
// (a3, a4): the mean of the closest pair, later pairs winning ties.
double closestPairMean(float a1, float a2, float a3, float a4) noexcept;

// The whole direction angle of the line from (cx, cy) to (x, y) through the functions above.
// The two points must differ.
double directionAngle(double x, double y, double cx, double cy) noexcept;

}  // namespace korvel::angles
