// Dates as automation clients hold them: days since 30 December 1899 as a double, the fraction
// being the time of day (for days before that one, the fraction still counts forwards from
// midnight of the day the whole part names). Pure computations, no calendar of the platform.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvel::dates {

// The range of dates automation allows: 1 January 100 to 31 December 9999.
inline constexpr double kEarliestDate = -657434.0;
inline constexpr double kLatestDate = 2958465.9999999;

bool inRange(double date) noexcept;

// The date of year/month/day as the automation date-serial rules make it: a year 0..99 is
// read in the window 1930-2029, then months outside 1..12 move into the years around, and a
// day out of its month moves into the months around. Nothing when it lies out of range.
std::optional<double> dateSerial(long year, long month, long day) noexcept;

// Easter Sunday of `year` by Gauss's rule for the Gregorian years 1900 to 2099, with 1954 and
// 2049 on 18 April and 1981 and 2076 on 19 April; other years get what the same arithmetic
// gives. `fixedYearsApply` false leaves the four fixed years to the arithmetic too (a year
// asked as 1954.4 is not 1954). Nothing when the date is out of range.
std::optional<double> easter(short year, bool fixedYearsApply = true) noexcept;

// Swaps the first two fields of a slash-separated date, by position only: characters 1-2 and
// 4-5, then the last four characters when the text has ten, else the last two.
std::wstring swapDayAndMonth(std::wstring_view date);

// "HH:MM:SS", hours not wrapped at 24; each field below 10 gets a "0" in front, so -1 second
// reads "0-1:59:59".
std::wstring secondsToClock(std::int32_t seconds);

// Seconds since midnight of the time of day of `date`, rounded to the nearest second as
// clients read hours, minutes and seconds. The date must be in range.
std::int32_t timeOfDayInSeconds(double date) noexcept;

// The span from one time of day to the next, across midnight when the second is earlier;
// nothing when it does not fit 32 bits.
std::optional<std::int32_t> spanAcrossMidnight(std::int32_t from, std::int32_t to) noexcept;

// Monday = 1 ... Sunday = 7, of the day that `date` falls on.
int isoWeekday(double date) noexcept;

// Monday-to-Friday days of a month (months out of 1..12 normalised as dateSerial does);
// nothing when the month lies out of range.
std::optional<int> workingDaysOfMonth(int year, int month) noexcept;

// Monday-to-Friday days among first, first + 1, ... up to `last`, the full date-times
// compared. Counting stops past `limit` (the caller's overflow). Both dates must be in range.
long workingDaysBetween(double first, double last, long limit) noexcept;

}  // namespace korvel::dates
