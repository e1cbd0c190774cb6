#include "Money.h"

#include <atomic>
#include <cmath>

namespace {

std::atomic<int> precisionSetting{2};

// Extended precision, so that a sum is rounded by its own binary value, not by the product's rounding error.
long double roundDecimals(int precision, long double x)
{
    const long double a = std::pow(10.0L, precision);
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
