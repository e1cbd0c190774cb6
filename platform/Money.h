#pragma once

// Money rounding, the one rule every part of the program uses (the accounting engine, the windows, the
// reports). Sums are floating-point values in the currency of the tariffs.

// Rounds a sum by a precision: p >= 0 rounds half away from zero to p decimals (by the sum's own binary
// value, so 1.005 follows what 1.005 is stored as); -2 rounds to fifties (below 25 down, below 75 to 50, else
// up to the next hundred); -3 the same to five hundreds; any other negative p rounds to 10^-p. A negative sum
// has a negative remainder under -2 and -3 and is cut towards zero to its hundred or thousand.
double RoundMoney(int precision, double x);

// The operator's precision setting (2 unless the settings say otherwise); the settings set it when loaded.
int MoneyRoundPrecision();
void SetMoneyRoundPrecision(int precision);

// RoundMoney by the operator's precision setting.
double RoundMoney(double x);

// Two decimals, half away from zero: how stored money is written and compared.
inline double RoundCents(double x)
{
    return RoundMoney(2, x);
}
