#include "FR_DataDict.h"

#include "FR_Class.h"
#include "FR_DBSet.h"
#include "FR_Globals.h"
#include "FR_Utils.h"
#include "ReportValues.h"

#include "CodePage.h"
#include "DataSet.h"
#include "Streams.h"

#include <algorithm>

namespace {

void saveList(TStream &stream, const TfrVariables &list)
{
    WriteStreamInt(stream, list.GetCount());
    for (int i = 0; i < list.GetCount(); ++i) {
        WriteStreamString(stream, list.GetName(i));
        WriteStreamString(stream, list.GetValueAt(i).toString());
    }
}

void loadList(TStream &stream, TfrVariables &list)
{
    const qint32 n = ReadStreamInt(stream);
    // Each entry takes at least six bytes: a count beyond the stream's end is a broken record.
    if (n < 0 || qint64(n) * 6 > stream.Size() - stream.Position())
        throw EReadError(QStringLiteral("Stream read error"));
    for (qint32 i = 0; i < n; ++i) {
        const QString name = ReadStreamString(stream);
        const QString value = ReadStreamString(stream);
        list.SetValue(name, Variant(value));
    }
}

QString readShortString(TStream &stream)
{
    return CP1251ToQString(stream.ReadBytes(stream.ReadByte()));
}

// The record of old templates: entries that name fields or report variables, then the variable list.
void loadOldRecord(TStream &stream, TfrDataDictionary &d)
{
    const qint32 n = ReadStreamInt(stream);
    if (n < 0 || qint64(n) * 8 > stream.Size() - stream.Position())
        throw EReadError(QStringLiteral("Stream read error"));
    const QStringList &special = frEngine().SpecialNames;
    for (qint32 i = 0; i < n; ++i) {
        const quint8 kind = ReadStreamByte(stream);
        const qint32 index = ReadStreamInt(stream);
        const QString a = readShortString(stream);
        const QString b = readShortString(stream);
        const QString c = readShortString(stream);
        QString value;
        if (kind == 1)
            value = a + u'.' + u'"' + b + u'"';
        else if (kind == 2)
            value = index == 1 ? b : special.value(index);
        d.FieldAliases.SetValue(u' ' + c, Variant(value));
    }
    QStringList lines;
    ReadStoredStrings(stream, lines);
    for (const QString &line : lines) {
        if (line.startsWith(u' '))
            d.Variables.SetValue(line, d.FieldAliases.GetValue(line));
        else
            d.Variables.SetValue(line, Variant(QString()));
    }
    d.FieldAliases.Clear();
}

} // namespace

void TfrDataDictionary::ClearCache()
{
    m_cache.clear();
}

void TfrDataDictionary::Clear()
{
    Variables.Clear();
    FieldAliases.Clear();
    BandDatasources.Clear();
}

void TfrDataDictionary::SaveToStream(TStream &stream)
{
    WriteStreamWord(stream, quint16(-2));
    saveList(stream, Variables);
    saveList(stream, FieldAliases);
    saveList(stream, BandDatasources);
}

void TfrDataDictionary::LoadFromStream(TStream &stream)
{
    Clear();
    const qint16 signature = qint16(ReadStreamWord(stream));
    if (signature == -1 || signature == -2) {
        loadList(stream, Variables);
        loadList(stream, FieldAliases);
        loadList(stream, BandDatasources);
    } else {
        stream.SetPosition(stream.Position() - 2);
        loadOldRecord(stream, *this);
    }
    // Old convention: categories had no leading blank and variables had one; now it is the other way round.
    if (Variables.GetCount() > 0 && !Variables.GetName(0).isEmpty() && !Variables.GetName(0).startsWith(u' ')) {
        for (int i = 0; i < Variables.GetCount(); ++i) {
            const QString name = Variables.GetName(i);
            Variables.SetName(i, name.startsWith(u' ') ? name.mid(1) : u' ' + name);
        }
    }
    if (signature == -1) {
        // Empty aliases of fields that no longer exist, and band data sources without an alias, carry nothing.
        for (int i = FieldAliases.GetCount() - 1; i >= 0; --i) {
            if (!FieldAliases.GetValueAt(i).toString().isEmpty())
                continue;
            TDataSet *dataset = nullptr;
            QString field;
            ResolveFieldReference(FieldAliases.GetName(i), dataset, field);
            if (field.isEmpty())
                FieldAliases.Delete(i);
        }
        for (int i = BandDatasources.GetCount() - 1; i >= 0; --i)
            if (BandDatasources.GetValueAt(i).toString().isEmpty())
                BandDatasources.Delete(i);
    }
}

void TfrDataDictionary::LoadDictionaryFile(const QString &fileName)
{
    TMemoryStream stream;
    stream.LoadFromFile(fileName);
    ReadStreamByte(stream); // the version, whatever it is
    LoadFromStream(stream);
}

void TfrDataDictionary::SaveDictionaryFile(const QString &fileName)
{
    TMemoryStream stream;
    WriteStreamByte(stream, 24);
    SaveToStream(stream);
    stream.SaveToFile(fileName);
}

// ---- look-ups during a build

namespace {

// The last "." that is not inside double quotes; -1 when none.
qsizetype lastPointOutsideQuotes(const QString &text)
{
    qsizetype found = -1;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'"')
            quoted = !quoted;
        else if (text[i] == u'.' && !quoted)
            found = i;
    }
    return found;
}

} // namespace

bool TfrDataDictionary::CacheReference(const QString &name, const QString &reference)
{
    TDataSet *dataset = CurrentDataSet();
    QString field;
    ResolveFieldReference(reference, dataset, field);
    if (!dataset || field.isEmpty())
        return false;
    m_cache.insert(TextToUpper(name), CacheRecord{dataset, field});
    return true;
}

bool TfrDataDictionary::IsVariable(const QString &name)
{
    if (m_cache.contains(TextToUpper(name)))
        return true;
    const int i = Variables.IndexOf(name);
    if (i >= 0) {
        const Variant value = Variables.GetValueAt(i);
        if (!value.isNull() && value.toString().contains(u'.'))
            CacheReference(name, value.toString());
        return true;
    }
    QString reference = name;
    const qsizetype point = lastPointOutsideQuotes(name);
    if (point >= 0) {
        const QString dataset = GetRealDataSetName(name.left(point));
        QString field = name.mid(point + 1);
        if (field.size() >= 2 && field.startsWith(u'"') && field.endsWith(u'"'))
            field = field.mid(1, field.size() - 2);
        for (int k = 0; k < FieldAliases.GetCount(); ++k) {
            const QString key = FieldAliases.GetName(k);
            if (FieldAliases.GetValueAt(k).toString().compare(field, Qt::CaseInsensitive) == 0
                && key.startsWith(dataset, Qt::CaseInsensitive) && key.contains(u'.')) {
                field = key.mid(key.lastIndexOf(u'.') + 1);
                break;
            }
        }
        reference = dataset + QStringLiteral(".\"") + field + u'"';
    }
    return CacheReference(name, reference);
}

Variant TfrDataDictionary::GetValue(const QString &name)
{
    const auto cached = m_cache.constFind(TextToUpper(name));
    if (cached != m_cache.cend()) {
        TDataSet *dataset = cached->DataSet;
        TField *field = dataset ? dataset->FindField(cached->FieldName) : nullptr;
        if (dataset && !dataset->Active()) {
            dataset->Open();
            field = dataset->FindField(cached->FieldName);
        }
        Variant value = Variant::Null();
        if (field)
            GetFieldValue(field, value);
        return value;
    }
    const int i = Variables.IndexOf(name);
    if (i < 0)
        return Variant::Null();
    const TfrVariables &script = frEngine().ScriptVariables;
    if (script.IndexOf(name) >= 0)
        return script.GetValue(name);
    const Variant value = Variables.GetValueAt(i);
    if (!value.isString() || value.toString().isEmpty())
        return value;
    // Variables whose values name each other would never finish.
    const QString key = TextToUpper(name);
    if (m_evaluating.contains(key))
        throw EParserError(UndefinedVariableText(name));
    m_evaluating.insert(key);
    try {
        const Variant result = frEngine().Parser().Evaluate(value.toString());
        m_evaluating.remove(key);
        return result;
    } catch (...) {
        m_evaluating.remove(key);
        throw;
    }
}

bool TfrDataDictionary::IsDataSetEnabled(const QString &name) const
{
    for (const QString &entry : DisabledDatasets) {
        if (entry.endsWith(u'*') ? name.startsWith(entry.left(entry.size() - 1))
                                 : entry.compare(name, Qt::CaseInsensitive) == 0)
            return false;
    }
    return true;
}

// ---- lists

namespace {

QObject *reportOwner()
{
    TfrReport *report = frEngine().CurrentReport;
    return report ? report->parent() : nullptr;
}

// Only the names that are keys of the aliases stay, each replaced by its alias when it has one; then sorted.
void applyAliases(QStringList &list, const TfrVariables &aliases)
{
    if (aliases.GetCount() > 0) {
        QStringList kept;
        for (const QString &name : list) {
            const int i = aliases.IndexOf(name);
            if (i < 0)
                continue;
            const QString alias = aliases.GetValueAt(i).toString();
            kept << (alias.isEmpty() ? name : alias);
        }
        list = kept;
    }
    list.sort(Qt::CaseInsensitive);
}

} // namespace

void TfrDataDictionary::GetDataSetList(QStringList &list) const
{
    CollectComponentNames(reportOwner(), TDataSet::staticMetaObject, list, nullptr);
    list.erase(std::remove_if(list.begin(), list.end(), [this](const QString &n) { return !IsDataSetEnabled(n); }),
               list.end());
    applyAliases(list, FieldAliases);
}

void TfrDataDictionary::GetFieldList(const QString &dataSetName, QStringList &list) const
{
    list.clear();
    QString name = dataSetName;
    TDataSet *dataset = nullptr;
    try {
        dataset = qobject_cast<TDataSet *>(FindReportComponent(name));
        if (!dataset) {
            name = GetRealDataSetName(dataSetName);
            dataset = qobject_cast<TDataSet *>(FindReportComponent(name));
        }
        ListDataSetFields(dataset, list);
    } catch (const std::exception &) {
        // A dataset that cannot list its fields shows none.
        list.clear();
        return;
    }
    for (int i = int(list.size()) - 1; i >= 0; --i) {
        const int k = FieldAliases.IndexOf(name + u'.' + list[i]);
        if (k < 0)
            continue;
        const QString alias = FieldAliases.GetValueAt(k).toString();
        if (alias.isEmpty())
            list.removeAt(i);
        else
            list[i] = alias;
    }
}

void TfrDataDictionary::GetBandDataSourceList(QStringList &list) const
{
    CollectComponentNames(reportOwner(), TfrDataset::staticMetaObject, list, nullptr);
    applyAliases(list, BandDatasources);
}

void TfrDataDictionary::GetCategoryList(QStringList &list) const
{
    list.clear();
    for (int i = 0; i < Variables.GetCount(); ++i) {
        const QString name = Variables.GetName(i);
        if (name.startsWith(u' '))
            list << name.mid(1);
    }
}

void TfrDataDictionary::GetVariableList(const QString &category, QStringList &list) const
{
    list.clear();
    int i = 0;
    while (i < Variables.GetCount() && Variables.GetName(i).compare(u' ' + category, Qt::CaseInsensitive) != 0)
        ++i;
    for (++i; i < Variables.GetCount(); ++i) {
        const QString name = Variables.GetName(i);
        if (name.isEmpty() || name.startsWith(u' '))
            break;
        list << name;
    }
}

// ---- aliases

namespace {

QString keyOfAlias(const TfrVariables &list, const QString &alias)
{
    for (int i = 0; i < list.GetCount(); ++i)
        if (list.GetValueAt(i).toString().compare(alias, Qt::CaseInsensitive) == 0)
            return list.GetName(i);
    return alias;
}

} // namespace

QString TfrDataDictionary::GetRealDataSetName(const QString &alias) const
{
    return keyOfAlias(FieldAliases, alias);
}

QString TfrDataDictionary::GetRealFieldName(const QString &alias) const
{
    const QString key = GetRealDataSetName(alias);
    return key.mid(key.lastIndexOf(u'.') + 1);
}

QString TfrDataDictionary::GetRealDataSourceName(const QString &alias) const
{
    return keyOfAlias(BandDatasources, alias);
}

QString TfrDataDictionary::GetAliasName(const QString &name) const
{
    int i = FieldAliases.IndexOf(name);
    if (i >= 0)
        return FieldAliases.GetValueAt(i).toString();
    i = BandDatasources.IndexOf(name);
    if (i >= 0)
        return BandDatasources.GetValueAt(i).toString();
    return name;
}

TDataSet *CurrentDataSet()
{
    TfrGlobals &e = frEngine();
    TfrReport *report = e.CurrentReport;
    if (!report)
        return nullptr;
    QObject *source = report->Dataset;
    TfrPage *page = e.ActivePage;
    if (e.CurrentBand && page && page->Type == 0) {
        int type = -1;
        switch (e.CurrentBand->BandType) {
        case btReportTitle: case btReportSummary: case btPageHeader: case btPageFooter: case btMasterHeader:
        case btMasterData: case btMasterFooter: case btGroupHeader: case btGroupFooter: type = btMasterData; break;
        case btDetailData: case btDetailFooter: type = btDetailData; break;
        case btSubDetailData: case btSubDetailFooter: type = btSubDetailData; break;
        case btCrossData: case btCrossFooter: type = btCrossData; break;
        default: break;
        }
        if (type >= 0 && page->BandsByType[size_t(type)])
            source = page->BandsByType[size_t(type)]->DataSource;
    }
    auto *db = qobject_cast<TfrDBDataSet *>(source);
    return db ? db->GetSourceDataSet() : nullptr;
}
