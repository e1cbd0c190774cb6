#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

class QObject;
class QPoint;
class QWidget;
class TStream;
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
