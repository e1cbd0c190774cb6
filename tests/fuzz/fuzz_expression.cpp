// Expressions of templates: conversion to postfix, evaluation with callbacks that evaluate their arguments
// again (as the report's functions do), the aggregate splitter and the bracket reader.
#include "FR_Pars.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    TfrParser parser;
    parser.OnGetValue = [](const QString &name, Variant &value) {
        value = name.size() % 3 == 0 ? Variant(QString("7")) : name.size() % 3 == 1 ? Variant(2.5) : Variant::Null();
    };
    parser.OnFunction = [&parser](const QString &, const Variant &p1, const Variant &p2, const Variant &,
                                  Variant &val) { val = parser.Evaluate(p1.toString()) + parser.Evaluate(p2.toString()); };
    try {
        parser.Evaluate(text);
    } catch (const std::exception &) {
    }

    TfrVariables vars;
    vars.SetValue("A", QString("SUM([A]) + [B]"));
    vars.SetValue("B", text);
    const QStringList match = {"SUM", "MAX"};
    QStringList found;
    TfrFunctionSplitter splitter(&match, &found, &vars);
    try {
        splitter.Split(text);
    } catch (const std::exception &) {
    }

    int start = 0, pos = 1;
    ReadBracketed(text, start, pos);
    return 0;
}
