#pragma once

#include "FR_Pars.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

// A set of functions that the expression parser does not know itself. List holds the upper-case names in a fixed
// order; a name's position is the function number handed to DoFunction.
class TfrFunctionLibrary
{
public:
    TfrFunctionLibrary() = default;
    virtual ~TfrFunctionLibrary() = default;
    TfrFunctionLibrary(const TfrFunctionLibrary &) = delete;
    TfrFunctionLibrary &operator=(const TfrFunctionLibrary &) = delete;

    // The name the registry knows the library's class by.
    virtual QString ClassName() const = 0;
    // False when the library does not know the name (any case); else computes it into val.
    virtual bool OnFunction(const QString &name, const Variant &p1, const Variant &p2, const Variant &p3,
                            Variant &val);
    // p1 to p3 are the argument texts, not evaluated; val arrives holding the text "0".
    virtual void DoFunction(int fno, const Variant &p1, const Variant &p2, const Variant &p3, Variant &val) = 0;

    // Describes one of the library's functions to the expression builder.
    void AddFunctionDesc(const QString &name, const QString &category, const QString &description);

    QStringList List;
};

struct TfrFunctionDescription
{
    TfrFunctionLibrary *Library;
    QString Name;
    QString Category;
    QString Description;
};

// The descriptions of the registered libraries' functions, by category, for the expression builder.
class TfrInstalledFunctions
{
public:
    // Nothing when the category is empty or a description of that exact name exists.
    void Add(TfrFunctionLibrary *library, const QString &name, const QString &category, const QString &description);
    QString GetFunctionDescription(const QString &name) const;
    // The distinct categories, sorted.
    void GetCategoryList(QStringList &list) const;
    // The sorted names of a category (any case); the category "all functions" lists every name.
    void GetFunctionList(const QString &category, QStringList &list) const;
    // Removes the descriptions of every library of that class.
    void RemoveLibrary(const TfrFunctionLibrary *library);

    const std::vector<TfrFunctionDescription> &Items() const { return m_items; }

private:
    std::vector<TfrFunctionDescription> m_items;
};

// Creates a library of the class unless one of that class name is registered; the registry holds 32 at most.
void RegisterFunctionLibrary(const QString &className, const std::function<std::unique_ptr<TfrFunctionLibrary>()> &create);
template<class T>
void RegisterFunctionLibrary()
{
    RegisterFunctionLibrary(T::StaticClassName(), [] { return std::make_unique<T>(); });
}
// Removes the library of that class name with its descriptions.
void UnregisterFunctionLibrary(const QString &className);

// The engine's standard functions: the aggregates, dates, texts, numbers, the input box and the message box.
class TfrStdFunctionLibrary : public TfrFunctionLibrary
{
public:
    TfrStdFunctionLibrary();
    static QString StaticClassName() { return QStringLiteral("TfrStdFunctionLibrary"); }
    QString ClassName() const override { return StaticClassName(); }
    void DoFunction(int fno, const Variant &p1, const Variant &p2, const Variant &p3, Variant &val) override;
};

// The key under which a data band keeps one aggregate: band part, kind, first argument and option, each followed
// by the separator character.
QString AggregateKey(const QString &bandPart, int kind, const QString &expression, const QString &option);

// Finds the aggregate calls (AVG, COUNT, MAX, MIN, SUM) in the texts and compiled scripts of a band's objects.
class TAggregateFunctionsSplitter : public TfrFunctionSplitter
{
public:
    explicit TAggregateFunctionsSplitter(QStringList *splitTo);

    void SplitMemo(const QStringList &lines);
    void SplitScript(const QStringList &compiled);

    const QStringList MatchFuncs;

private:
    QStringList *m_splitTo;
    const TfrVariables *m_variables;
};
