// Figures for the routines that grids and datasets call per cell or per comparison: sorting names with the
// Russian collation, display formats of numbers and dates, and Variant arithmetic.
#include "Formats.h"
#include "Variant.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QStringList>

#include <algorithm>
#include <cstdio>

namespace {

void report(const char *what, qint64 count, qint64 ns)
{
    std::printf("%-44s %9lld ops  %8.1f ms  %8.0f ns/op\n", what, static_cast<long long>(count), ns / 1e6,
        double(ns) / double(count));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QRandomGenerator rng(42);
    const QString letters = QStringLiteral("абвгдеёжзийклмнопрстуфхцчшщъыьэюяАБВГДЕЁЖЗИЙКЛМН");
    QStringList names;
    for (int i = 0; i < 100000; ++i) {
        QString name;
        const int length = 5 + int(rng.bounded(10));
        for (int k = 0; k < length; ++k)
            name += letters[int(rng.bounded(letters.size()))];
        names << name;
    }

    QElapsedTimer timer;
    QStringList sorted = names;
    timer.start();
    std::stable_sort(sorted.begin(), sorted.end(), RussianCollator(Qt::CaseInsensitive));
    report("sort 100000 names, case ignored", qint64(names.size()), timer.nsecsElapsed());

    constexpr int Count = 200000;
    qint64 total = 0;
    timer.restart();
    for (int i = 0; i < Count; ++i)
        total += FormatFloat(QStringLiteral("### ### ### ##0.##"), i * 37.25).size();
    report("FormatFloat \"### ### ### ##0.##\"", Count, timer.nsecsElapsed());

    timer.restart();
    for (int i = 0; i < Count; ++i)
        total += FloatToStr(i / 7.0).size();
    report("FloatToStr", Count, timer.nsecsElapsed());

    timer.restart();
    for (int i = 0; i < Count; ++i)
        total += FormatDateTime(QStringLiteral("dd.mm.yyyy hh:nn"), 43895.0 + i / 100.0).size();
    report("FormatDateTime \"dd.mm.yyyy hh:nn\"", Count, timer.nsecsElapsed());

    Variant sum(0);
    timer.restart();
    for (int i = 0; i < Count; ++i)
        sum = sum + Variant(i) * Variant(1.5);
    report("Variant sum + int * double", Count, timer.nsecsElapsed());

    std::printf("(checksum %lld %s)\n", static_cast<long long>(total), qPrintable(sum.toString()));
    return 0;
}
