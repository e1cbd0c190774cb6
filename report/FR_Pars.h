#pragma once

#include "Exceptions.h"
#include "Variant.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

// An expression that cannot be evaluated: too deep, too many pending operands, an operator without its
// operands. Errors of the platform's conversions and of the callbacks travel unchanged.
class EParserError : public Exception
{
public:
    using Exception::Exception;
};

// An ordered list of named values; names are compared without regard to case and never held twice.
class TfrVariables
{
public:
    TfrVariables() = default;

    void Assign(const TfrVariables &other);
    void Clear();
    void SetValue(const QString &name, const Variant &value);
    Variant GetValue(const QString &name) const;
    int IndexOf(const QString &name) const;
    void Insert(int i, const QString &name);
    int GetCount() const { return int(m_items.size()); }
    QString GetName(int i) const;
    void SetName(int i, const QString &name);
    Variant GetValueAt(int i) const;
    void SetValueAt(int i, const Variant &value);
    void Delete(int i);
    void SetSorted(bool flag);
    bool Sorted() const { return m_sorted; }

private:
    struct Item {
        QString name;
        Variant value;
    };
    int SortedPosition(const QString &name) const;

    QList<Item> m_items;
    bool m_sorted = false;
};

using TGetPValueEvent = std::function<void(const QString &name, Variant &value)>;
using TFunctionEvent =
    std::function<void(const QString &name, const Variant &p1, const Variant &p2, const Variant &p3, Variant &val)>;

// Turns infix expressions into a postfix text (one character per operator) and evaluates postfix texts.
// Names, bracketed expressions and functions it does not know go to OnGetValue and OnFunction; a slot
// handed to OnGetValue arrives Unassigned, so a handler can tell "not answered" from Null.
// Positions of the readers count from 1, as the postfix format and its callers do.
class TfrParser
{
public:
    TGetPValueEvent OnGetValue;
    TFunctionEvent OnFunction;

    Variant Evaluate(const QString &expr);
    QString ToPostfix(const QString &s);
    Variant EvaluatePostfix(const QString &postfix);

    QString ReadIdentifier(const QString &s, int &pos) const;
    QString ReadQuoted(const QString &s, int &pos) const;
    void ReadArguments(const QString &s, int &pos, QString &a1, QString &a2, QString &a3) const;

private:
    Variant CallFunction(const QString &name, const QString &a1, const QString &a2, const QString &a3);

    int m_depth = 0;
};

// The text inside the bracket at pos (nesting and quotes respected); start gets the opening bracket's
// position and pos ends on the matching one (past the end of s when it never closes). Empty, with pos
// unchanged, when s has no "[" at pos.
QString ReadBracketed(const QString &s, int &start, int &pos);

// Collects the calls of the listed functions inside an expression, inner calls before outer ones; names of
// variables are replaced by their values (themselves expressions) and searched too.
class TfrFunctionSplitter
{
public:
    TfrFunctionSplitter(const QStringList *matchFuncs, QStringList *splitTo, const TfrVariables *variables);

    void Split(const QString &expr);

private:
    void SplitVariable(const QString &name);

    const QStringList *m_matchFuncs;
    QStringList *m_splitTo;
    const TfrVariables *m_variables;
    TfrParser m_parser;
    QSet<QString> m_expanding;
    int m_depth = 0;
};
