#include "Kyv_db.h"

#include "Color.h"
#include "DataSetProvider.h"
#include "DatabaseError.h"
#include "Exceptions.h"
#include "Formats.h"
#include "LogSink.h"

#include <QLineEdit>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QPalette>
#include <QRegularExpression>

TSqlSubstitution *TSqlSubstitutions::Add()
{
    m_items.append(std::make_shared<TSqlSubstitution>());
    return m_items.last().get();
}

TSqlSubstitution *TSqlSubstitutions::Add(const QString &name, const QString &value)
{
    TSqlSubstitution *item = Add();
    item->Name = name;
    item->Value = value;
    return item;
}

TSqlSubstitution *TSqlSubstitutions::FindSubstitution(const QString &name) const
{
    for (const auto &item : m_items)
        if (item->Name.compare(name, Qt::CaseInsensitive) == 0)
            return item.get();
    return nullptr;
}

TSqlSubstitution *TSqlSubstitutions::SubstitutionByName(const QString &name) const
{
    if (TSqlSubstitution *item = FindSubstitution(name))
        return item;
    const QString message = QStringLiteral("%1 SqlSubstitution Not Found").arg(name);
    const QString owner = OwnerName();
    throw EDatabaseError(owner.isEmpty() ? message : owner + QStringLiteral(": ") + message);
}

namespace {

bool isQuote(QChar c)
{
    return c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`');
}

bool isNameEnd(QChar c)
{
    return c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char(' ') || c == QLatin1Char(')')
           || c == QLatin1Char(',') || c == QLatin1Char(';');
}

} // namespace

QString ApplySqlSubstitutions(const QString &text, const TSqlSubstitutions &substitutions, QChar substituteChar)
{
    QString out;
    out.reserve(text.size());
    bool inQuotes = false;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text.at(i);
        // A surrogate pair is copied whole, so that neither half can open a macro or a quote.
        if (c.isHighSurrogate() && i + 1 < n) {
            out += c;
            out += text.at(i + 1);
            i += 2;
            continue;
        }
        if (!inQuotes && c == substituteChar) {
            if (i + 1 < n && text.at(i + 1) == substituteChar) {
                out += substituteChar;
                i += 2;
                continue;
            }
            // A macro: its name runs to the first end character met outside quotes.
            qsizetype j = i + 1;
            const bool quotedName = j < n && isQuote(text.at(j));
            QString name;
            while (j < n) {
                const QChar d = text.at(j);
                if (isQuote(d))
                    inQuotes = !inQuotes;
                else if (!inQuotes && isNameEnd(d))
                    break;
                name += d;
                ++j;
            }
            if (quotedName && !name.isEmpty()) {
                name.remove(0, 1);
                if (!name.isEmpty() && isQuote(name.back()))
                    name.chop(1);
            }
            if (!name.isEmpty())
                if (const TSqlSubstitution *item = substitutions.FindSubstitution(name))
                    out += item->Value;
            // The end character goes with the macro.
            i = j < n ? j + 1 : j;
            continue;
        }
        if (isQuote(c))
            inQuotes = !inQuotes;
        out += c;
        ++i;
    }
    return out;
}

// ---- The client dataset

namespace {

// A search field shows whether its text was found.
void markSearchEdit(QLineEdit *edit, bool found)
{
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Text, toQColor(found ? clWindowText : clRed));
    edit->setPalette(palette);
}

// One piece of a search text as a value of the field's type; text when it does not convert.
QVariant searchValue(const TField *field, const QString &piece)
{
    switch (field->DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftAutoInc:
    case ftLargeint:
    case ftBytes:
    case ftVarBytes:
    case ftTypedBinary: {
        if (piece.isEmpty())
            return 0;
        bool ok = false;
        const qlonglong v = piece.toLongLong(&ok);
        return ok ? QVariant(v) : QVariant(piece);
    }
    case ftWord:
    case ftFloat:
    case ftCurrency:
    case ftBCD: {
        if (piece.isEmpty())
            return 0.0;
        double v = 0;
        return TryStrToFloat(piece, v) ? QVariant(v) : QVariant(piece);
    }
    case ftDate:
    case ftTime:
    case ftDateTime: {
        TDateTime v = 0;
        if (!TryStrToDate(piece, v))
            return piece;
        return field->DataType() == ftDate ? QVariant(DayCountToDate(v)) : QVariant(DayCountToDateTime(v));
    }
    default:
        return piece;
    }
}

} // namespace

TKyv_ClientDataSet::TKyv_ClientDataSet(QObject *owner)
    : TClientDataSet(owner)
{
}

TKyv_ClientDataSet::~TKyv_ClientDataSet() = default;

void TKyv_ClientDataSet::SetDataProvider(QObject *component)
{
    if (component == m_dataProvider)
        return;
    disconnect(m_providerGone);
    m_dataProvider = component;
    if (component)
        m_providerGone = connect(component, &QObject::destroyed, this, [this] {
            m_dataProvider = nullptr;
            Relink();
        });
    Relink();
}

// Every open starts on a fresh link to the provider component.
void TKyv_ClientDataSet::Relink()
{
    SetProvider(nullptr);
    m_ownProvider.reset();
    if (auto *provider = qobject_cast<TCustomProvider *>(m_dataProvider.data())) {
        SetProvider(provider);
    } else if (auto *dataSet = qobject_cast<TDataSet *>(m_dataProvider.data())) {
        m_ownProvider = std::make_unique<TDataSetProvider>();
        m_ownProvider->SetDataSet(dataSet);
        SetProvider(m_ownProvider.get());
    }
}

QString TKyv_ClientDataSet::CommandText() const
{
    QString text;
    for (const QString &line : m_lines)
        text += line + QStringLiteral("\r\n");
    return text;
}

void TKyv_ClientDataSet::SetCommandText(const QString &text)
{
    QString normalized = text;
    normalized.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    m_lines = normalized.split(QLatin1Char('\n'));
    if (normalized.endsWith(QLatin1Char('\n')) || normalized.isEmpty())
        m_lines.removeLast();
    if (m_substitutionsCheck)
        ApplySqlSubstitutions(CommandText());
    DataEvent(dePropertyChange);
}

QString TKyv_ClientDataSet::ApplySqlSubstitutions(const QString &text) const
{
    return ::ApplySqlSubstitutions(text, m_substitutions, m_substituteChar);
}

QString TKyv_ClientDataSet::RealCommandText()
{
    const QString text = ApplySqlSubstitutions(CommandText());
    TClientDataSet::SetCommandText(text);
    return text;
}

QString TKyv_ClientDataSet::RequestCommandText()
{
    const QString text = RealCommandText();
    static const QString nul(QChar(0));
    return text == nul || text == nul + QStringLiteral("\r\n") ? QString() : text;
}

void TKyv_ClientDataSet::SetExcludeCopyFields(const QString &names)
{
    QStringList list;
    for (const QString &name : names.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString trimmed = name.trimmed();
        if (!trimmed.isEmpty() && !list.contains(trimmed))
            list << trimmed;
    }
    list.sort();
    m_excludeCopyFields = list;
}

void TKyv_ClientDataSet::DeleteCustomIndexes()
{
    if (!Active())
        return;
    IndexDefs().Update();
    QStringList custom;
    for (const TIndexDef &def : IndexDefs())
        if (def.Name.compare(QLatin1String(DefaultOrder), Qt::CaseInsensitive) != 0
            && def.Name.compare(QLatin1String(ChangeIndex), Qt::CaseInsensitive) != 0
            && def.Name.compare(QLatin1String(PrimaryKey), Qt::CaseInsensitive) != 0)
            custom << def.Name;
    for (const QString &name : custom) {
        if (IndexName().compare(name, Qt::CaseInsensitive) == 0)
            SetIndexName(QString());
        DeleteIndex(name);
    }
    IndexDefs().Update();
}

bool TKyv_ClientDataSet::LocateByValues(const QString &values)
{
    if (!Active())
        return false;
    try {
        const int count = IndexFieldCount();
        const QStringList pieces = values.split(QLatin1Char(';'));
        QStringList names;
        QVariantList key;
        for (int i = 0; i < count; ++i) {
            TField *field = IndexFields(i);
            names << field->FieldName();
            key << searchValue(field, i < pieces.size() ? pieces[i] : QString());
        }
        return Locate(names.join(QLatin1Char(';')), key, loCaseInsensitive | loPartialKey);
    } catch (const std::exception &e) {
        platformLog(LogKind::Debug, objectName() + QStringLiteral(": ") + exceptionMessage(e));
        return false;
    }
}

bool TKyv_ClientDataSet::LocateByEdit(QLineEdit *edit)
{
    const bool found = LocateByValues(edit->text());
    markSearchEdit(edit, found);
    return found;
}

void TKyv_ClientDataSet::InternalOpen()
{
    TScreenCursorScope wait(m_waitCursor);
    TClientDataSet::InternalOpen();
}

void TKyv_ClientDataSet::InternalClose()
{
    DeleteCustomIndexes();
    TClientDataSet::InternalClose();
    if (m_dataProvider)
        Relink();
}

// ---- The server dataset

TKyv_ADODataSet::TKyv_ADODataSet(QObject *owner)
    : TADODataSet(owner)
{
}

bool TKyv_ADODataSet::LocateByEdit(const QString &keyFields, QLineEdit *edit)
{
    bool found = false;
    try {
        First();
        found = Locate(keyFields, edit->text(), loCaseInsensitive | loPartialKey);
    } catch (const std::exception &e) {
        platformLog(LogKind::Debug, objectName() + QStringLiteral(": ") + exceptionMessage(e));
    }
    markSearchEdit(edit, found);
    return found;
}

void TKyv_ADODataSet::InternalOpen()
{
    TScreenCursorScope wait(m_waitCursor);
    TADODataSet::InternalOpen();
}

QStringList TKyv_ADODataSet::PSGetTableColumns(const QString &tableName)
{
    if (tableName.isEmpty() || !Connection())
        return {};
    const QString key = tableName.toUpper();
    const auto it = m_tableColumns.constFind(key);
    if (it != m_tableColumns.constEnd())
        return *it;
    // The name is the program's own ("ZOLT.CUSTOMER"); anything else is not put into a statement.
    static const QRegularExpression plainName(QStringLiteral("^[A-Za-z_][A-Za-z0-9_$]*(\\.[A-Za-z_][A-Za-z0-9_$]*)?$"));
    if (!plainName.match(tableName).hasMatch())
        return {};
    QStringList names;
    const QSqlRecord record =
        Connection()
            ->OpenQuery(QStringLiteral("select * from %1 where 1 = 0").arg(tableName), {}, TExecuteSource::DataSet)
            .record();
    for (int i = 0; i < record.count(); ++i)
        names << record.fieldName(i).toUpper();
    m_tableColumns.insert(key, names);
    return names;
}
