#include "VCLHelpersEh.h"

#include "DataSet.h"
#include "DataSource.h"
#include "DatabaseError.h"

int CompareDatasetBookmarks(const TDataSet *DataSet, const QByteArray &Bookmark1, const QByteArray &Bookmark2)
{
    return DataSet ? DataSet->CompareBookmarks(Bookmark1, Bookmark2) : 0;
}

bool IsDatasetBookmarkValid(const TDataSet *DataSet, const QByteArray &Bookmark)
{
    return DataSet && DataSet->BookmarkValid(Bookmark);
}

TDataSet *MasterDatasetFromProperty(const QObject *Instance, const QMetaProperty &PropInfo)
{
    if (!Instance || !PropInfo.isValid() || !PropInfo.isReadable()
        || !(PropInfo.metaType().flags() & QMetaType::PointerToQObject))
        return nullptr;
    try {
        auto *source = qobject_cast<TDataSource *>(PropInfo.read(Instance).value<QObject *>());
        return source ? source->DataSet() : nullptr;
    } catch (const std::exception &) {
        // A property that cannot be read names no master; the controls ask again when it changes.
        return nullptr;
    }
}

void SetDataSetFieldValues(TDataSet *DataSet, const QString &FieldNames, const QVariant &Value)
{
    QList<TField *> fields;
    FindFieldsList(&fields, DataSet, DataSet, FieldNames);
    if (!Value.isValid()) {
        for (TField *field : fields)
            field->Clear();
        return;
    }
    const int count = int(fields.size());
    if (count > 1 && (Value.typeId() != QMetaType::QVariantList || Value.toList().size() != count))
        DatabaseError(QStringLiteral("The value does not fit the %1 fields '%2'").arg(count).arg(FieldNames),
                      DataSet);
    DataSet->SetFieldValues(FieldNames, Value);
}

void FindFieldsList(QList<TField *> *List, const TDataSet *DataSet, const QObject *Component,
                    const QString &FieldNames)
{
    for (const QString &name : SplitFieldNames(FieldNames)) {
        TField *field = DataSet ? DataSet->FindField(name) : nullptr;
        if (!field)
            DatabaseError(QStringLiteral("Field '%1' not found").arg(name), Component);
        if (List)
            List->append(field);
    }
}

void FieldsArrayFromNames(const TDataSet *DataSet, const QObject *Control, const QString &FieldNames,
                          TFieldsArrEh &Fields)
{
    QList<TField *> list;
    FindFieldsList(&list, DataSet, Control, FieldNames);
    Fields = list;
}
