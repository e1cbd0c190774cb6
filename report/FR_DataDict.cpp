#include "FR_DataDict.h"

#include "FR_Globals.h"
#include "FR_Utils.h"

#include "CodePage.h"
#include "Streams.h"

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
        // Band data sources without an alias carry nothing.
        for (int i = BandDatasources.GetCount() - 1; i >= 0; --i)
            if (BandDatasources.GetValueAt(i).toString().isEmpty())
                BandDatasources.Delete(i);
    }
}
