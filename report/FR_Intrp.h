#pragma once

#include "FR_Pars.h"

#include <QStringList>

// Compiles the scripts of report objects and pages into coded lines and runs them. Compiled lines:
//   "\x01" lo hi postfix   jump to line lo + 256 * hi when the condition's value equals 0
//   "\x02" lo hi           jump
//   "\x03" postfix         evaluate and drop the value ("EXIT(0)" ends the run)
//   name " " postfix       assignment through SetValue
// The base class knows no report: it reads and writes nothing and knows no function. Compilation uses one
// label table for the whole process and is therefore not re-entrant (user-interface thread only).
class TfrInterpretator
{
public:
    TfrInterpretator();
    virtual ~TfrInterpretator() = default;
    TfrInterpretator(const TfrInterpretator &) = delete;
    TfrInterpretator &operator=(const TfrInterpretator &) = delete;

    virtual void GetValue(const QString &name, Variant &value);
    virtual void SetValue(const QString &name, const Variant &value);
    virtual void DoFunction(const QString &name, const Variant &p1, const Variant &p2, const Variant &p3,
                            Variant &val);
    virtual void CompileScript(const QStringList &source, QStringList &compiled, QStringList &errors);
    virtual void RunScript(const QStringList &compiled);

    void SplitScriptExpressions(const QStringList &compiled, const QStringList &matchFuncs,
                                const TfrVariables *variables, QStringList &splitTo);

protected:
    TfrParser &Parser() { return m_parser; }

private:
    TfrParser m_parser;
};

// The text of s from position from (counted from 1) to its end.
QString CopyToEnd(const QString &s, int from);
// Skips characters up to code 32, then reads characters above it; pos (from 1) ends after the word.
QString ReadWord(const QString &s, int &pos);
