#include "VCLHelpersEh.h"

#include "DataSet.h"
#include "DataSource.h"
#include "DatabaseError.h"
#include "Color.h"
#include "Exceptions.h"
#include "Variant.h"
#include "WindowMessages.h"

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

COLORREF ColorToImageListColor(qint32 Color)
{
    if (Color == clNone)
        return CLR_NONE;
    if (Color == clDefault)
        return CLR_DEFAULT;
    return COLORREF(ColorToRGB(Color)) & 0x00FFFFFFu;
}

qint32 SmallPointAsLParam(const QPoint &Point)
{
    return qint32((quint32(quint16(qint16(Point.y()))) << 16) | quint16(qint16(Point.x())));
}

qintptr ObjectAsInteger(const QObject *Obj)
{
    return reinterpret_cast<qintptr>(Obj);
}

QString StringFromPChar(const char *Text)
{
    return Text ? QString::fromLocal8Bit(Text) : QString();
}

void CopyWindowMessage(const TMessageEvent &Source, TMessageEvent &Dest)
{
    Dest.Msg = Source.Msg;
    Dest.WParam = Source.WParam;
    Dest.LParam = Source.LParam;
    Dest.Result = Source.Result;
}

void RedimVariantArray(Variant &Array, int HighBound)
{
    if (!Array.isArray())
        throw EVariantError(QStringLiteral("Invalid variant operation"));
    if (HighBound < -1)
        throw EVariantError(QStringLiteral("Variant array bounds error"));
    QList<Variant> elements = Array.elements();
    elements.resize(HighBound + 1);
    Array = Variant(elements);
}
