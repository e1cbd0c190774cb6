#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

class QObject;
class QPoint;
class QWidget;
class TDataSet;
class TField;
class TStream;
class Variant;
struct QMetaObject;

// The engine's stream encodings: little-endian integers, stream strings (16-bit length, the bytes in the
// ANSI code page, a 0 byte), string lists and the zero-ended strings of old templates. Readers raise the
// stream's read error when the stream ends early; writers refuse a text longer than a stream string holds.
quint8 ReadStreamByte(TStream &stream);
void WriteStreamByte(TStream &stream, quint8 value);
quint16 ReadStreamWord(TStream &stream);
void WriteStreamWord(TStream &stream, quint16 value);
qint32 ReadStreamInt(TStream &stream);
void WriteStreamInt(TStream &stream, qint32 value);
// A 16-bit boolean: 0 false, any other value true; written as -1.
bool ReadStreamBool(TStream &stream);
void WriteStreamBool(TStream &stream, bool value);
QString ReadStreamString(TStream &stream);
void WriteStreamString(TStream &stream, const QString &text);
void ReadStreamStrings(TStream &stream, QStringList &lines);
void WriteStreamStrings(TStream &stream, const QStringList &lines);
QString ReadZeroString(TStream &stream);
void ReadZeroStrings(TStream &stream, QStringList &lines);
// The string forms of the stream version being read: zero-ended below version 23, stream strings from it on.
QString ReadStoredString(TStream &stream);
void ReadStoredStrings(TStream &stream, QStringList &lines);

// Stored font style: 1 italic, 2 bold, 4 underline, 8 strike-out.
void FontStyleFromInt(QFont &font, int stored);
int FontStyleToInt(const QFont &font);

// Reads a real number written with either "," or "." as its decimal separator; raises the conversion error.
double StrToFloatAnySeparator(const QString &text);
// The label of the Windows line the program runs on ("32s", "95", "98", "NT"), which the designer sizes its
// menus by; empty on any other system, which is every system this build runs on.
QString WindowsVersionLabel();
QString UnquoteText(const QString &text);
// The text from pos (counted from 1) up to the next ";"; pos moves past it.
QString ReadToken(const QString &text, int &pos);
void SplitBySemicolon(const QString &text, QStringList &list);

// Components by dotted names ("Name", "Owner.Name", "Owner.Frame.Name") through the component registry; null
// when a part is missing. A look-up that fails with an error raises EClassNotFound "Missing " + name.
QObject *FindComponentPath(QObject *owner, const QString &name);
// FindComponentPath with the owner of the current report.
QObject *FindReportComponent(const QString &name);
// Names of the registered components of a class: plain names for the owner's own, "Owner.Name" otherwise.
void CollectComponentNames(QObject *owner, const QMetaObject &cls, QStringList &list, QObject *skipped);

// The innermost visible child control under a point of the parent (null when none).
QWidget *ControlAtPoint(QWidget *parent, const QPoint &point);
// Labels turn grey when disabled; other controls get the window or the button-face background.
void SetControlsEnabled(const QList<QWidget *> &controls, bool enabled);

// Data fields named in templates: "Field" (of the dataset passed in), "DataSet.Field" (of the report's owner),
// "Form.DataSet.Field", "Form.Frame.DataSet.Field"; a field part in double quotes may hold points and blanks.
// dataset receives the dataset found (null when none); fieldName the field's name, empty when the dataset has
// no such field.
void ResolveFieldReference(const QString &text, TDataSet *&dataset, QString &fieldName);
// name when the dataset has a field of that name, else empty.
QString FieldNameIfExists(const TDataSet *dataset, const QString &name);
void ListDataSetFields(const TDataSet *dataset, QStringList &list);

// The value a report shows for a field: its display text when it has a text handler or is a large integer,
// else its value; Null becomes "" for texts, False for booleans and 0 for the rest. Opens a closed dataset.
void GetFieldValue(TField *field, Variant &value);
bool IsBlobField(const TField *field);
// The field's content written into the stream, which is then rewound; text content in the ANSI code page.
void AssignBlobTo(const TField *field, TStream &target);
// The field's content as lines of text.
void AssignBlobTo(const TField *field, QStringList &target);

QByteArray GetDataSetBookmark(const TDataSet *dataset);
void GotoDataSetBookmark(TDataSet *dataset, const QByteArray &bookmark);
void FreeDataSetBookmark(TDataSet *dataset, QByteArray &bookmark);
bool BookmarksEqual(const TDataSet *dataset, const QByteArray &bookmark1, const QByteArray &bookmark2);
