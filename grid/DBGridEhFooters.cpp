// Footers of the data grid's columns: their settings, their sum items and the texts they show.
#include "DBGridEh.h"

#include "Exceptions.h"
#include "Formats.h"
#include "FormatSettings.h"

// ---- Footers -------------------------------------------------------------------------------------------------

TColumnFooterEh::TColumnFooterEh(TColumnEh *column)
    : m_column(column)
{
    if (TCustomDBGridEh *grid = column->GetGrid())
        grid->InvalidateGrid();
}

TColumnFooterEh::~TColumnFooterEh()
{
    TCustomDBGridEh *grid = m_column->GetGrid();
    if (grid && m_sumItem)
        grid->SumList().SumCollection().Remove(m_sumItem);
    if (grid)
        grid->InvalidateGrid();
}

void TColumnFooterEh::changed()
{
    if (TCustomDBGridEh *grid = m_column->GetGrid())
        grid->InvalidateGrid();
}

TAlignment TColumnFooterEh::Alignment() const
{
    if (m_assigned & cvFooterAlignment)
        return m_alignment;
    if (TField *f = m_column->GetField())
        return f->Alignment();
    return taLeftJustify;
}

void TColumnFooterEh::SetAlignment(TAlignment value)
{
    m_alignment = value;
    m_assigned |= cvFooterAlignment;
    changed();
}

TColor TColumnFooterEh::Color() const
{
    if (m_assigned & cvFooterColor)
        return m_color;
    TCustomDBGridEh *grid = m_column->GetGrid();
    return grid ? grid->FooterColor() : clWindow;
}

void TColumnFooterEh::SetColor(TColor value)
{
    m_color = value;
    m_assigned |= cvFooterColor;
    changed();
}

void TColumnFooterEh::SetDisplayFormat(const QString &value)
{
    m_displayFormat = value;
    changed();
}

void TColumnFooterEh::SetFieldName(const QString &value)
{
    m_fieldName = value;
    SyncFooterSum();
    changed();
}

const TFont &TColumnFooterEh::Font() const
{
    if (!(m_assigned & cvFooterFont)) {
        TCustomDBGridEh *grid = m_column->GetGrid();
        const TFont &source = grid ? grid->FooterFont() : m_column->Font();
        if (!(m_font == source))
            m_font.Assign(source);
    }
    return m_font;
}

void TColumnFooterEh::SetFont(const TFont &value)
{
    m_font.Assign(value);
    m_assigned |= cvFooterFont;
    changed();
}

bool TColumnFooterEh::ToolTips() const
{
    if (m_assigned & cvFooterToolTips)
        return m_toolTips;
    TCustomDBGridEh *grid = m_column->GetGrid();
    return grid ? grid->ColumnDefValues().Footer().ToolTips : false;
}

void TColumnFooterEh::SetToolTips(bool value)
{
    m_toolTips = value;
    m_assigned |= cvFooterToolTips;
}

void TColumnFooterEh::SetValue(const QString &value)
{
    m_value = value;
    changed();
}

void TColumnFooterEh::SetValueType(TFooterValueType value)
{
    m_valueType = value;
    SyncFooterSum();
    changed();
}

void TColumnFooterEh::SyncFooterSum()
{
    TCustomDBGridEh *grid = m_column->GetGrid();
    if (!grid)
        return;
    TDBSumCollection &sums = grid->SumList().SumCollection();
    if (m_valueType != fvtSum && m_valueType != fvtAvg && m_valueType != fvtCount) {
        if (m_sumItem) {
            TDBSum *item = m_sumItem;
            m_sumItem = nullptr;
            sums.Remove(item);
        }
        return;
    }
    const TGroupOperation op = m_valueType == fvtSum ? goSum : m_valueType == fvtAvg ? goAvg : goCount;
    const QString name = m_valueType == fvtCount ? QString()
                                                 : (m_fieldName.isEmpty() ? m_column->FieldName() : m_fieldName);
    if (m_sumItem && m_sumItem->GroupOperation == op && m_sumItem->FieldName == name)
        return;
    sums.BeginUpdate();
    if (!m_sumItem)
        m_sumItem = sums.Add();
    m_sumItem->GroupOperation = op;
    m_sumItem->FieldName = name;
    sums.Changed();
    sums.EndUpdate();
}

void TColumnFooterEh::ResetToDefaults()
{
    m_assigned = 0;
    Font();
}

void TColumnFooterEh::Assign(const TColumnFooterEh &source)
{
    if (m_assigned & cvFooterAlignment)
        m_alignment = source.Alignment();
    if (m_assigned & cvFooterColor)
        m_color = source.Color();
    if (m_assigned & cvFooterFont)
        m_font.Assign(source.Font());
    EndEllipsis = source.EndEllipsis;
    WordWrap = source.WordWrap;
    m_displayFormat = source.m_displayFormat;
    m_value = source.m_value;
    m_toolTips = source.m_toolTips;
    m_fieldName = source.m_fieldName;
    SetValueType(source.m_valueType);
}

TColumnFooterEh *TColumnFootersEh::Add()
{
    m_items.push_back(std::make_unique<TColumnFooterEh>(m_column));
    return m_items.back().get();
}

void TColumnFootersEh::Clear()
{
    m_items.clear();
}

void TColumnFootersEh::Assign(const TColumnFootersEh &source)
{
    Clear();
    for (const auto &item : source.m_items)
        Add()->Assign(*item);
}

void TColumnDropDownBoxEh::Assign(const TColumnDropDownBoxEh &source)
{
    AutoFitColWidths = source.AutoFitColWidths;
    UseMultiTitle = source.UseMultiTitle;
    m_listSource = source.m_listSource;
}

// ---- Footer texts ------------------------------------------------------------------------------------------

QString TCustomDBGridEh::GetFooterText(TColumnFooterEh &footer, TColumnEh &column) const
{
    TDataSet *ds = m_dataLink->DataSet();
    switch (footer.ValueType()) {
    case fvtNon:
        return QString();
    case fvtStaticText:
        return footer.Value();
    case fvtFieldValue: {
        if (!ds || !ds->Active() || footer.FieldName().isEmpty())
            return QString();
        return FormatFieldText(ds->FindField(footer.FieldName()), footer.DisplayFormat());
    }
    case fvtCount: {
        const TDBSum *item = m_sumList->SumCollection().FindSumItem(goCount, QString());
        if (item && item->Overflow)
            return QString();
        const double value = item ? double(item->SumValue) / 10000.0 : 0.0;
        return footer.DisplayFormat().isEmpty() ? FloatToStr(value) : FormatFloat(footer.DisplayFormat(), value);
    }
    case fvtSum:
    case fvtAvg:
        break;
    }
    const QString name = footer.FieldName().isEmpty() ? column.FieldName() : footer.FieldName();
    TField *field = ds ? ds->FindField(name) : nullptr;
    if (!field)
        return QStringLiteral("0");
    const TDBSum *item =
        m_sumList->SumCollection().FindSumItem(footer.ValueType() == fvtSum ? goSum : goAvg, field->FieldName());
    // A total that overflowed shows nothing rather than a number it is not (the user was told once).
    if (item && item->Overflow)
        return QString();
    return FormatFooterTotal(field, item ? item->SumValue : 0, footer.DisplayFormat());
}

QString FormatFooterTotal(const TField *field, qint64 total, const QString &own)
{
    const double value = double(total) / 10000.0;
    switch (field->DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:
        if (!own.isEmpty())
            return FormatFloat(own, value);
        if (!field->DisplayFormat().isEmpty())
            return FormatFloat(field->DisplayFormat(), value);
        return QString::number(DivideHalfEven(total, 10000));
    case ftFloat:
    case ftCurrency:
        if (!own.isEmpty())
            return FormatFloat(own, value);
        if (!field->DisplayFormat().isEmpty())
            return FormatFloat(field->DisplayFormat(), value);
        if (field->Currency())
            return FloatToStrF(value, ffCurrency, field->Precision(), FormatSettings().CurrencyDecimals);
        return FloatToStrF(value, ffGeneral, field->Precision(), 0);
    case ftBCD:
        if (!own.isEmpty())
            return FormatFloat(own, value);
        if (!field->DisplayFormat().isEmpty())
            return FormatCurr(field->DisplayFormat(), value);
        return CurrToStrF(value, field->Currency() ? ffCurrency : ffGeneral,
                          field->Currency() ? FormatSettings().CurrencyDecimals : 0);
    default:
        return QStringLiteral("0");
    }
}

void TCustomDBGridEh::sumListChanged()
{
    const int firstFooter = FirstFooterRow();
    for (int r = std::max(0, firstFooter); firstFooter > 0 && r < RowCount(); ++r)
        InvalidateRow(r);
    // A recount clears its totals before it counts them again: only the totals it ends with are told.
    if (!m_loading)
        m_overflowReport->Post();
}

void TCustomDBGridEh::reportSumOverflows()
{
    const std::vector<const TDBSum *> overflows = m_sumList->TakeUnreportedOverflows();
    if (overflows.empty())
        return;
    TDataSet *ds = m_dataLink->DataSet();
    QStringList names;
    for (const TDBSum *item : overflows) {
        TField *field = ds && !item->FieldName.isEmpty() ? ds->FindField(item->FieldName) : nullptr;
        names << (field ? field->DisplayName() : item->FieldName);
    }
    names.removeDuplicates();
    SafeCall([&] {
        throw Exception(QStringLiteral("Итог по полю \"%1\" слишком велик, он не показан")
                            .arg(names.join(QStringLiteral("\", \""))));
    });
}
