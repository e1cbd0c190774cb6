#pragma once

#include <QByteArray>
#include <QList>
#include <QMetaProperty>
#include <QPoint>
#include <QString>
#include <QVariant>

class QObject;
class TDataSet;
class TField;

// Dataset helpers shared by the editors, the lookup controls and the grid.

using TFieldsArrEh = QList<TField *>;

// The dataset's own bookmark comparison: negative, zero or positive. Without a dataset no bookmark is valid and
// all compare equal.
int CompareDatasetBookmarks(const TDataSet *DataSet, const QByteArray &Bookmark1, const QByteArray &Bookmark2);
bool IsDatasetBookmarkValid(const TDataSet *DataSet, const QByteArray &Bookmark);

// The dataset of the data source a control's published property holds (a master source, a list source); null
// when the property is not an object property, cannot be read or holds no data source. Never raises.
TDataSet *MasterDatasetFromProperty(const QObject *Instance, const QMetaProperty &PropInfo);

// Null clears every field of the semicolon list; any other value is the one value of a single field or a list
// with one value per field. A list of another length is refused, so that no field is set from a value meant
// for another.
void SetDataSetFieldValues(TDataSet *DataSet, const QString &FieldNames, const QVariant &Value);

// Looks up every name of a semicolon list, adding the fields to List when it is given. The first unknown name
// raises the database error "Field '%s' not found" for Component; the fields found before it stay in List.
void FindFieldsList(QList<TField *> *List, const TDataSet *DataSet, const QObject *Component,
                    const QString &FieldNames);
void FieldsArrayFromNames(const TDataSet *DataSet, const QObject *Control, const QString &FieldNames,
                          TFieldsArrEh &Fields);

// Window-message and colour helpers that the grid and the editors use when they pass values on as message
// parameters or to image lists.

class TMessageEvent;
class Variant;

using COLORREF = quint32;
constexpr COLORREF CLR_NONE = 0xFFFFFFFFu;
constexpr COLORREF CLR_DEFAULT = 0xFF000000u;

// clNone and clDefault keep their image-list meaning; every other colour is its 0x00BBGGRR value with system
// colours resolved.
COLORREF ColorToImageListColor(qint32 Color);

// A point packed as a mouse message's parameter: x in the low 16 bits, y in the high 16 bits.
qint32 SmallPointAsLParam(const QPoint &Point);
// The object reference itself, for a message parameter.
qintptr ObjectAsInteger(const QObject *Obj);
QString StringFromPChar(const char *Text);
// Copies the message fields (Msg, WParam, LParam, Result) of one message into another.
void CopyWindowMessage(const TMessageEvent &Source, TMessageEvent &Dest);
inline void CopyMessageRecord(const TMessageEvent &Source, TMessageEvent &Dest)
{
    CopyWindowMessage(Source, Dest);
}

// Sets the high bound of a one-dimensional array (new elements are Unassigned); anything but an array, or a
// bound below -1, raises the variant error.
void RedimVariantArray(Variant &Array, int HighBound);
