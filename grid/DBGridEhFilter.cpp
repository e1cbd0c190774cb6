#include "DBGridEhFilter.h"

#include "DBGridEh.h"
#include "DataSource.h"
#include "DbUtilsEh.h"
#include "Exceptions.h"
#include "FormatSettings.h"
#include "Formats.h"

#include <QLocale>

#include <algorithm>

namespace {

// ---- Tokens --------------------------------------------------------------------------------------------------

enum class TokKind { End, Operator, Value, List, CloseParen, Relation, Null };

struct FilterToken
{
    TokKind Kind = TokKind::End;
    TSTFilterOperatorEh Op = foNon; // operators and relations
    QVariant Value; // a string, or a QVariantList for a list
};

class FilterTokenizer
{
public:
    FilterTokenizer(const QString &text, TSTOperandTypeEh type)
        : m_text(text)
        , m_type(type)
    {
        // With a comma as the decimal separator a number column's commas belong to its numbers.
        m_commaSeparates = !(type == botNumber && FormatSettings().DecimalSeparator == QLatin1Char(','));
    }

    [[noreturn]] void Fail(const char *message) const { throw Exception(QString::fromLatin1(message) + m_text); }

    FilterToken Next()
    {
        skipBlanks();
        FilterToken t;
        if (m_pos >= m_text.size())
            return t;
        if (m_text[m_pos] == QLatin1Char(')')) {
            ++m_pos;
            t.Kind = TokKind::CloseParen;
            return t;
        }
        if (readOperator(t))
            return t;
        t.Kind = TokKind::Value;
        QVariantList items;
        for (;;) {
            items << readValue();
            skipBlanks();
            if (!m_listMode || m_pos >= m_text.size() || m_text[m_pos] != QLatin1Char(','))
                break;
            ++m_pos;
            skipBlanks();
        }
        if (items.size() > 1 || m_inList) {
            t.Kind = TokKind::List;
            t.Value = items;
        } else {
            t.Value = items.first();
        }
        m_inList = false;
        m_listMode = m_commaSeparates;
        return t;
    }

    // List mode: commas separate values (after IN, or wherever the operand type lets them).
    void BeginList()
    {
        m_inList = true;
        m_listMode = m_commaSeparates;
    }
    void ResetListMode() { m_listMode = m_commaSeparates; }

private:
    void skipBlanks()
    {
        while (m_pos < m_text.size() && m_text[m_pos].isSpace())
            ++m_pos;
    }

    bool wordAt(qsizetype pos, const char *word) const
    {
        const QLatin1String w(word);
        if (pos + w.size() > m_text.size()
            || QStringView(m_text).mid(pos, w.size()).compare(w, Qt::CaseInsensitive) != 0)
            return false;
        const qsizetype end = pos + w.size();
        return end >= m_text.size() || !(m_text[end].isLetterOrNumber() || m_text[end] == QLatin1Char('_'));
    }

    // The length of the operator or keyword at pos, or 0.
    qsizetype operatorLength(qsizetype pos) const
    {
        static const char *const symbols[] = { "<>", "!=", ">=", "<=", "=", ">", "<", "~", "&", "|", "!" };
        for (const char *s : symbols)
            if (QStringView(m_text).mid(pos).startsWith(QLatin1String(s)))
                return qsizetype(qstrlen(s));
        for (const char *w : { "AND", "OR", "NOT", "LIKE", "NULL", "IN" })
            if (wordAt(pos, w))
                return qsizetype(qstrlen(w));
        return 0;
    }

    bool readOperator(FilterToken &t)
    {
        const auto take = [&](const char *s) {
            const QLatin1String w(s);
            const bool word = QChar(w.front()).isLetter();
            if (word ? !wordAt(m_pos, s) : !QStringView(m_text).mid(m_pos).startsWith(w))
                return false;
            m_pos += w.size();
            return true;
        };
        const auto op = [&](TSTFilterOperatorEh o) {
            t.Kind = TokKind::Operator;
            t.Op = o;
            return true;
        };
        if (take("<>") || take("!="))
            return op(foNotEqual);
        if (take(">="))
            return op(foGreaterOrEqual);
        if (take("<="))
            return op(foLessOrEqual);
        if (take("="))
            return op(foEqual);
        if (take(">"))
            return op(foGreater);
        if (take("<"))
            return op(foLess);
        if (take("~") || take("LIKE"))
            return op(foLike);
        if (take("&") || take("AND")) {
            t.Kind = TokKind::Relation;
            t.Op = foAND;
            return true;
        }
        if (take("|") || take("OR")) {
            t.Kind = TokKind::Relation;
            t.Op = foOR;
            return true;
        }
        if (take("NULL")) {
            t.Kind = TokKind::Null;
            return true;
        }
        if (wordAt(m_pos, "IN")) {
            m_pos += 2;
            openList();
            return op(foIn);
        }
        const qsizetype start = m_pos;
        if (take("!") || take("NOT")) {
            skipBlanks();
            if (take("~") || take("LIKE"))
                return op(foNotLike);
            if (wordAt(m_pos, "IN")) {
                m_pos += 2;
                openList();
                return op(foNotIn);
            }
            if (take("NULL"))
                return op(foNotNull);
            m_pos = start;
            Fail("Error in expression: ");
        }
        return false;
    }

    void openList()
    {
        skipBlanks();
        if (m_pos >= m_text.size() || m_text[m_pos] != QLatin1Char('('))
            Fail("'(' expected: ");
        ++m_pos;
        BeginList();
    }

    QString readValue()
    {
        if (m_pos < m_text.size() && m_text[m_pos] == QLatin1Char('\'')) {
            const qsizetype close = m_text.indexOf(QLatin1Char('\''), m_pos + 1);
            if (close < 0)
                Fail("Quote is absent: ");
            const QString value = m_text.mid(m_pos + 1, close - m_pos - 1);
            m_pos = close + 1;
            return value;
        }
        const qsizetype start = m_pos;
        while (m_pos < m_text.size()) {
            const QChar c = m_text[m_pos];
            if (c == QLatin1Char('(') || c == QLatin1Char(')') || (m_listMode && c == QLatin1Char(',')))
                break;
            if (c.isSpace()) {
                qsizetype next = m_pos;
                while (next < m_text.size() && m_text[next].isSpace())
                    ++next;
                // A number holds no blank, so one ends it; other values run on to the next operator.
                if (m_type == botNumber || next >= m_text.size() || operatorLength(next) > 0
                    || m_text[next] == QLatin1Char('(') || m_text[next] == QLatin1Char(')'))
                    break;
            }
            ++m_pos;
        }
        return m_text.mid(start, m_pos - start).trimmed();
    }

    QString m_text;
    TSTOperandTypeEh m_type;
    qsizetype m_pos = 0;
    bool m_commaSeparates = true;
    bool m_listMode = true;
    bool m_inList = false;
};

// ---- Grammar -------------------------------------------------------------------------------------------------

class FilterParser
{
public:
    FilterParser(const QString &text, TSTOperandTypeEh type)
        : m_lex(text, type)
        , m_type(type)
    {
        m_lex.ResetListMode();
        m_tok = m_lex.Next();
    }

    bool Parse(TSTFilterExpressionEh &e)
    {
        if (m_tok.Kind == TokKind::End)
            return false;
        condition(e.Operator1, e.Operand1);
        if (m_tok.Kind == TokKind::End)
            return false;
        if (m_tok.Kind != TokKind::Relation)
            m_lex.Fail("Unexpected AND or OR: ");
        e.Relation = m_tok.Op;
        advance();
        condition(e.Operator2, e.Operand2);
        if (m_tok.Kind != TokKind::End)
            m_lex.Fail("Incorrect expression: ");
        return true;
    }

private:
    void advance() { m_tok = m_lex.Next(); }

    void condition(TSTFilterOperatorEh &op, QVariant &operand)
    {
        switch (m_tok.Kind) {
        case TokKind::Value:
            op = m_type == botString ? foLike : foEqual;
            operand = m_tok.Value;
            advance();
            return;
        case TokKind::List:
            op = foIn;
            operand = m_tok.Value;
            advance();
            if (m_tok.Kind == TokKind::CloseParen)
                advance();
            return;
        case TokKind::Operator:
            break;
        default:
            m_lex.Fail("Error in expression: ");
        }
        op = m_tok.Op;
        advance();
        if (op == foNotNull)
            return;
        if (m_tok.Kind == TokKind::Null) {
            if (op != foEqual && op != foNotEqual)
                m_lex.Fail("Unexpected expression before Null: ");
            op = op == foEqual ? foNull : foNotNull;
            advance();
            return;
        }
        if (m_tok.Kind != TokKind::Value && m_tok.Kind != TokKind::List)
            m_lex.Fail("Unexpected expression after operator: ");
        if (op == foIn || op == foNotIn) {
            operand = m_tok.Kind == TokKind::List ? m_tok.Value : QVariant(QVariantList { m_tok.Value });
            advance();
            if (m_tok.Kind != TokKind::CloseParen)
                m_lex.Fail("')' expected: ");
            advance();
            return;
        }
        if (m_tok.Kind == TokKind::List)
            m_lex.Fail("Unexpected expression after operator: ");
        operand = m_tok.Value;
        advance();
    }

    FilterTokenizer m_lex;
    TSTOperandTypeEh m_type;
    FilterToken m_tok;
};

QVariant convertOperand(const QVariant &value, TSTOperandTypeEh type)
{
    if (value.typeId() == QMetaType::QVariantList) {
        QVariantList list;
        for (const QVariant &item : value.toList())
            list << convertOperand(item, type);
        return list;
    }
    if (type == botNumber)
        return StrToFloat(value.toString());
    if (type == botDateTime)
        return StrToDateTime(value.toString());
    return value;
}

void convertCondition(TSTFilterOperatorEh op, QVariant &operand, TSTOperandTypeEh type)
{
    if (op >= foEqual && op <= foNotIn)
        operand = convertOperand(operand, type);
    else
        operand = QVariant();
}

// One operand as the filter language writes it: dates and texts in quotes (inner quotes doubled), so that a
// typed name holding a quote still filters on that name. A number is written whole, never with an exponent
// (the filter language reads none), and converted by the field as typed numbers are: a bare number of digits
// and a point where the point is the decimal separator, else in quotes with the settings' separator.
QString operandText(const QVariant &value, TSTOperandTypeEh type)
{
    const auto quoted = [](QString s) {
        return QLatin1Char('\'') + s.replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
    };
    if (type == botNumber && value.typeId() == QMetaType::Double) {
        QString number = QString::number(value.toDouble(), 'f', QLocale::FloatingPointShortest);
        const QChar decimal = FormatSettings().DecimalSeparator;
        if (decimal == QLatin1Char('.') || !number.contains(QLatin1Char('.')))
            return number;
        return quoted(number.replace(QLatin1Char('.'), decimal));
    }
    if (type == botDateTime && value.typeId() == QMetaType::Double)
        return quoted(FormatDateTime(FormatSettings().ShortDateFormat, value.toDouble()));
    return quoted(value.toString());
}

QString listText(const QVariant &value, TSTOperandTypeEh type)
{
    QStringList items;
    const QVariantList list = value.typeId() == QMetaType::QVariantList ? value.toList() : QVariantList { value };
    for (const QVariant &item : list)
        items << operandText(item, type);
    return items.join(QLatin1Char(','));
}

QString conditionText(TSTFilterOperatorEh op, const QVariant &operand, TSTOperandTypeEh type)
{
    switch (op) {
    case foNon:
        return QString();
    case foNull:
        return QStringLiteral("=Null");
    case foNotNull:
        return QStringLiteral("<>Null");
    case foIn:
    case foNotIn:
        return STFilterOperatorText(op) + QStringLiteral(" (") + listText(operand, type) + QLatin1Char(')');
    default:
        return STFilterOperatorText(op) + QLatin1Char(' ') + operandText(operand, type);
    }
}

} // namespace

QString STFilterOperatorText(TSTFilterOperatorEh op)
{
    static const char *const texts[]
        = { "", "=", "<>", ">", "<", ">=", "<=", "~", "!~", "In", "!In", "Null", "Null", "AND", "OR" };
    return QString::fromLatin1(texts[op]);
}

TSTOperandTypeEh STOperandTypeOfField(TFieldType type)
{
    switch (type) {
    case ftString:
    case ftMemo:
    case ftFmtMemo:
    case ftFixedChar:
    case ftWideString:
    case ftGuid:
        return botString;
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftAutoInc:
    case ftLargeint:
        return botNumber;
    case ftDate:
    case ftTime:
    case ftDateTime:
        return botDateTime;
    case ftBoolean:
        return botBoolean;
    default:
        return botNon;
    }
}

bool ParseFilterExpression(const QString &text, TSTFilterExpressionEh &expression)
{
    const TSTOperandTypeEh type = expression.ExpressionType;
    expression = TSTFilterExpressionEh();
    expression.ExpressionType = type;
    TSTFilterExpressionEh parsed = expression;
    const bool second = FilterParser(text.trimmed(), type).Parse(parsed);
    convertCondition(parsed.Operator1, parsed.Operand1, type);
    convertCondition(parsed.Operator2, parsed.Operand2, type);
    expression = parsed;
    return second;
}

QString STFilterExpressionText(const TSTFilterExpressionEh &e, bool asList)
{
    if (e.ExpressionType == botNon || e.Operator1 == foNon)
        return QString();
    if (asList)
        return conditionText(foIn, e.Operand1, botString);
    QString text = conditionText(e.Operator1, e.Operand1, e.ExpressionType);
    if (e.Relation == foAND || e.Relation == foOR)
        text += QLatin1Char(' ') + STFilterOperatorText(e.Relation) + QLatin1Char(' ')
            + conditionText(e.Operator2, e.Operand2, e.ExpressionType);
    return text;
}

// ---- Column filter -------------------------------------------------------------------------------------------

void TSTColumnFilterListLinkEh::ActiveChanged()
{
    if (Active())
        m_filter->RefillLists();
}

TSTColumnFilterEh::TSTColumnFilterEh(TColumnEh *column)
    : m_column(column)
    , m_listLink(std::make_unique<TSTColumnFilterListLinkEh>(this))
{
}

TSTColumnFilterEh::~TSTColumnFilterEh() = default;

TDataSource *TSTColumnFilterEh::ListSource() const
{
    return m_listLink->DataSource();
}

void TSTColumnFilterEh::SetListSource(TDataSource *value)
{
    m_listLink->SetDataSource(value);
}

QString TSTColumnFilterEh::GetFilterText() const
{
    return STFilterExpressionText(m_expression, HasListSource());
}

bool TSTColumnFilterEh::HasListSource() const
{
    return ListSource() != nullptr;
}

QString TSTColumnFilterEh::GetFilterDataField() const
{
    if (HasListSource() || !DataField.isEmpty())
        return DataField;
    return m_column ? m_column->FieldName() : QString();
}

QVariant TSTColumnFilterEh::GetFilterValue() const
{
    return KeyField.isEmpty() ? m_expression.Operand1 : m_keyValues;
}

QVariant TSTColumnFilterEh::GetSecondFilterValue() const
{
    return m_expression.Operand2;
}

void TSTColumnFilterEh::Assign(const TSTColumnFilterEh &source)
{
    DataField = source.DataField;
    Visible = source.Visible;
    KeyField = source.KeyField;
    ListField = source.ListField;
    SetListSource(source.ListSource());
}

void TSTColumnFilterEh::SetFilterText(const QString &text)
{
    TField *field = m_column ? m_column->GetField() : nullptr;
    m_expression.ExpressionType = field ? STOperandTypeOfField(field->DataType()) : botNon;
    m_cellText = text;
    try {
        ParseFilterExpression(text, m_expression);
    } catch (...) {
        changed();
        throw;
    }
    changed();
}

void TSTColumnFilterEh::SetFilterExpression(const TSTFilterExpressionEh &expression)
{
    m_expression = expression;
    m_cellText = GetFilterText();
    changed();
}

void TSTColumnFilterEh::SetFilterKeyValue(const QString &text, const QVariant &value)
{
    if (!value.isValid()) {
        m_keyValues = QVariant();
    } else {
        m_expression = TSTFilterExpressionEh();
        m_expression.ExpressionType = botString;
        m_expression.Operator1 = foIn;
        m_expression.Operand1 = text;
        m_keyValues = value;
    }
    m_cellText = text;
    changed();
}

void TSTColumnFilterEh::RefillLists()
{
    TDataSet *ds = m_listLink->DataSet();
    if (!ds || !ds->Active() || ListField.isEmpty() || KeyField.isEmpty())
        return;
    m_listValues.clear();
    m_keyTexts.clear();
    TField *list = ds->FieldByName(ListField);
    TField *key = ds->FieldByName(KeyField);
    ds->DisableControls();
    try {
        for (ds->First(); !ds->Eof(); ds->Next()) {
            m_listValues << list->DisplayText();
            m_keyTexts << key->AsString();
        }
        ds->First();
    } catch (...) {
        ds->EnableControls();
        throw;
    }
    ds->EnableControls();
}

void TSTColumnFilterEh::changed()
{
    TCustomDBGridEh *grid = m_column ? m_column->GetGrid() : nullptr;
    if (grid)
        grid->FilterChanged();
}

// ---- Grid filter ---------------------------------------------------------------------------------------------

void TSTDBGridEhFilter::SetVisible(bool value)
{
    if (m_visible == value)
        return;
    m_visible = value;
    if (m_grid)
        m_grid->FilterRowVisibilityChanged();
}

void TSTDBGridEhFilter::Assign(const TSTDBGridEhFilter &source)
{
    Local = source.Local;
    SetVisible(source.Visible());
}

// ---- The grid's side -----------------------------------------------------------------------------------------

void TCustomDBGridEh::ApplyFilter()
{
    const int leftCol = LeftCol();
    const auto restore = [&] {
        SetLeftCol(std::max(leftCol, IndicatorCols() + FrozenCols()));
        if (m_dataLink->Active())
            DataChanged();
        if (m_sumList->Active())
            m_sumList->RecalcAllSums();
        update();
    };
    try {
        if (OnApplyFilter)
            OnApplyFilter(this);
        else
            DBGridEhDataService().ApplyFilter(this);
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

void TCustomDBGridEh::FilterChanged()
{
    update();
    if (EditorMode())
        InvalidateEditor();
}

void TCustomDBGridEh::FilterRowVisibilityChanged()
{
    if (!m_stFilter->Visible())
        HideEditor();
    LayoutChanged();
    if (EditorMode())
        InvalidateEditor();
}
