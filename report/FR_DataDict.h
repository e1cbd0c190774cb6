#pragma once

#include "FR_Pars.h"

#include <QMap>
#include <QPointer>
#include <QSet>

class TDataSet;
class TStream;

// The data dictionary of a report: variables with their categories, aliases of datasets and fields, and
// aliases of band data sources. Values are kept as text. While a report is built it tells which names are
// variables or field references and gives their values; field references are resolved once per pass.
class TfrDataDictionary
{
public:
    void Clear();
    // Forgets the field references resolved in this pass.
    void ClearCache();
    void LoadFromStream(TStream &stream);
    void SaveToStream(TStream &stream);
    // A ".frd" file: a version byte, then the dictionary record. Saving replaces the file only when complete.
    void LoadDictionaryFile(const QString &fileName);
    void SaveDictionaryFile(const QString &fileName);

    // A variable of the dictionary, or a field reference ("dataset.field" under real names or aliases, or a
    // field of the current dataset).
    bool IsVariable(const QString &name);
    // Raises the undefined-variable error for variables whose values need each other.
    Variant GetValue(const QString &name);
    bool IsDataSetEnabled(const QString &name) const;

    void GetDataSetList(QStringList &list) const;
    void GetFieldList(const QString &dataSetName, QStringList &list) const;
    void GetBandDataSourceList(QStringList &list) const;
    void GetCategoryList(QStringList &list) const;
    void GetVariableList(const QString &category, QStringList &list) const;

    QString GetRealDataSetName(const QString &alias) const;
    QString GetRealFieldName(const QString &alias) const;
    QString GetRealDataSourceName(const QString &alias) const;
    QString GetAliasName(const QString &name) const;

    TfrVariables Variables;
    TfrVariables FieldAliases;
    TfrVariables BandDatasources;
    // Datasets hidden from the dataset list; an entry ending in "*" hides every name beginning with the rest.
    QStringList DisabledDatasets;

private:
    struct CacheRecord
    {
        QPointer<TDataSet> DataSet;
        QString FieldName;
    };
    bool CacheReference(const QString &name, const QString &reference);

    // Keyed by the name in upper case.
    QMap<QString, CacheRecord> m_cache;
    // Variables whose values are being computed.
    QSet<QString> m_evaluating;
};

// The dataset a field reference without a dataset name refers to: that of the current band's data band, else
// the report's own.
TDataSet *CurrentDataSet();
