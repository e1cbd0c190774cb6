#include "Money.h"

#include <atomic>
#include <cmath>
#include <iterator>

namespace {

std::atomic<int> precisionSetting{2};

// Extended precision, so that a sum is rounded by its own binary value, not by the product's rounding error.
// The powers of ten money is rounded to, each exact in extended precision: a power is looked up for every sum
// rounded, and millions of sums are.
constexpr long double PowersOfTen[] = {1e0L, 1e1L, 1e2L, 1e3L, 1e4L, 1e5L, 1e6L, 1e7L, 1e8L, 1e9L,
                                       1e10L, 1e11L, 1e12L, 1e13L, 1e14L, 1e15L, 1e16L, 1e17L, 1e18L};

long double roundDecimals(int precision, long double x)
{
    const long double a = precision >= 0 && precision < int(std::size(PowersOfTen)) ? PowersOfTen[precision]
                                                                                    : std::pow(10.0L, precision);
    const long double y = x * a;
    const long double whole = std::trunc(y);
    return (whole + std::trunc(2 * (y - whole))) / a;
}

long double roundToStep(long double x, long double step)
{
    const long double lower = std::trunc(x / step) * step;
    const long double rest = x - lower;
    if (rest < step / 4)
        return lower;
    if (rest < step * 3 / 4)
        return lower + step / 2;
    return step * roundDecimals(0, x / step);
}

} // namespace

double RoundMoney(int precision, double x)
{
    if (x == 0)
        return 0;
    if (precision >= 0)
        return double(roundDecimals(precision, x));
    if (precision == -2)
        return double(roundToStep(x, 100));
    if (precision == -3)
        return double(roundToStep(x, 1000));
    const long double step = std::pow(10.0L, -precision);
    return double(step * roundDecimals(0, x / step));
}

int MoneyRoundPrecision()
{
    return precisionSetting.load();
}

void SetMoneyRoundPrecision(int precision)
{
    precisionSetting.store(precision);
}

double RoundMoney(double x)
{
    return RoundMoney(MoneyRoundPrecision(), x);
}
