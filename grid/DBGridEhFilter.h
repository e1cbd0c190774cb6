#pragma once

// The grid's filter row: what a user types into a column's filter cell (">= 100", "<> Null", "In (1,2,3)",
// "ab* AND NOT LIKE abc") parsed into at most two conditions, and the filter text built from them in the
// language the datasets compile (FilterExpression.h), without the field name, which the consumer puts in front.
// The grid filters nothing itself: ApplyFilter hands the work to OnApplyFilter or to the dataset features.

#include "DataSource.h"

#include <QPointer>
#include <QStringList>
#include <QVariant>

#include <memory>

class TColumnEh;
class TCustomDBGridEh;
class TDataSource;

enum TSTOperandTypeEh { botNon, botString, botNumber, botDateTime, botBoolean };

enum TSTFilterOperatorEh {
    foNon,
    foEqual,
    foNotEqual,
    foGreater,
    foLess,
    foGreaterOrEqual,
    foLessOrEqual,
    foLike,
    foNotLike,
    foIn,
    foNotIn,
    foNull,
    foNotNull,
    foAND,
    foOR,
};

// The text of an operator in the filter language.
QString STFilterOperatorText(TSTFilterOperatorEh op);

struct TSTFilterExpressionEh
{
    TSTOperandTypeEh ExpressionType = botNon;
    TSTFilterOperatorEh Operator1 = foNon;
    QVariant Operand1; // a QVariantList for In and Not In
    TSTFilterOperatorEh Relation = foNon; // foAND, foOR or none
    TSTFilterOperatorEh Operator2 = foNon;
    QVariant Operand2;
};

// The operand type a field's values are compared as.
TSTOperandTypeEh STOperandTypeOfField(TFieldType type);

// Fills the expression from the text (its ExpressionType chooses how bare values and operands are read; the
// rest of it is cleared first). Answers whether a second condition was read. Raises Exception with the error's
// text followed by the whole text.
bool ParseFilterExpression(const QString &text, TSTFilterExpressionEh &expression);

// The filter text of an expression ("" when it has no type or no first condition). With asList, the first
// operand's values as an In list (a column offering the values of a list dataset).
QString STFilterExpressionText(const TSTFilterExpressionEh &expression, bool asList);

class TSTColumnFilterEh;

// Refills the column filter's lists whenever the list dataset becomes active.
class TSTColumnFilterListLinkEh : public TDataLink
{
public:
    explicit TSTColumnFilterListLinkEh(TSTColumnFilterEh *filter)
        : m_filter(filter)
    {
    }

protected:
    void ActiveChanged() override;

private:
    TSTColumnFilterEh *m_filter;
};

// A column's STFilter: the expression typed into its filter cell, or the key values chosen from a list.
class TSTColumnFilterEh
{
public:
    explicit TSTColumnFilterEh(TColumnEh *column);
    virtual ~TSTColumnFilterEh();
    TColumnEh *Column() const { return m_column; }

    QString DataField;
    QString KeyField;
    QString ListField;
    TDataSource *ListSource() const;
    void SetListSource(TDataSource *value);
    bool Visible = true;

    const TSTFilterExpressionEh &Expression() const { return m_expression; }
    // What the filter cell shows.
    QString FilterCellText() const { return m_cellText; }
    QVariant KeyValues() const { return m_keyValues; }
    // Loaded from the list dataset: the list field's texts and the key field's texts, record by record.
    const QStringList &ListValues() const { return m_listValues; }
    const QStringList &KeyValueTexts() const { return m_keyTexts; }

    virtual QString GetFilterText() const;
    virtual bool HasListSource() const;
    virtual QString GetFilterDataField() const;
    virtual QVariant GetFilterValue() const;
    virtual QVariant GetSecondFilterValue() const;
    virtual void Assign(const TSTColumnFilterEh &source);

    // The operand type from the column's field, the text parsed (the previous expression is lost on an error),
    // the cell text kept; the grid repaints.
    void SetFilterText(const QString &text);
    void SetFilterExpression(const TSTFilterExpressionEh &expression);
    // A null value clears the key values; otherwise an In condition on the text, the value kept as key values.
    void SetFilterKeyValue(const QString &text, const QVariant &value);
    // Reads every record of the list dataset into the two lists (when ListField and KeyField are set).
    void RefillLists();

private:
    void changed();
    TColumnEh *m_column;
    TSTFilterExpressionEh m_expression;
    QString m_cellText;
    QVariant m_keyValues;
    QStringList m_listValues;
    QStringList m_keyTexts;
    std::unique_ptr<TSTColumnFilterListLinkEh> m_listLink;
};

// The grid's STFilter: whether the filter row is shown and whether filtering is local.
class TSTDBGridEhFilter
{
public:
    explicit TSTDBGridEhFilter(TCustomDBGridEh *grid)
        : m_grid(grid)
    {
    }
    TCustomDBGridEh *Grid() const { return m_grid; }
    bool Local = false;
    bool Visible() const { return m_visible; }
    // Hiding the row hides its editor and lays the grid out again.
    void SetVisible(bool value);
    void BeginUpdate() { ++m_updateCount; }
    void EndUpdate() { --m_updateCount; }
    int UpdateCount() const { return m_updateCount; }
    void Assign(const TSTDBGridEhFilter &source);

private:
    TCustomDBGridEh *m_grid;
    bool m_visible = false;
    int m_updateCount = 0;
};
