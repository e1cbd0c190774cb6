#include "FR_Utils.h"

#include "FR_Class.h"
#include "FR_Globals.h"

#include "CodePage.h"
#include "ComponentRegistry.h"
#include "Color.h"
#include "DataSet.h"
#include "Exceptions.h"
#include "Formats.h"
#include "FormatSettings.h"
#include "Streams.h"
#include "Variant.h"
#include "VCLHelpersEh.h"

#include <QLabel>
#include <QRegularExpression>
#include <QWidget>


quint8 ReadStreamByte(TStream &stream)
{
    return stream.ReadByte();
}

void WriteStreamByte(TStream &stream, quint8 value)
{
    stream.WriteByte(value);
}

quint16 ReadStreamWord(TStream &stream)
{
    return stream.ReadUInt16();
}

void WriteStreamWord(TStream &stream, quint16 value)
{
    stream.WriteUInt16(value);
}

qint32 ReadStreamInt(TStream &stream)
{
    return stream.ReadInt32();
}

void WriteStreamInt(TStream &stream, qint32 value)
{
    stream.WriteInt32(value);
}

bool ReadStreamBool(TStream &stream)
{
    return stream.ReadBool16();
}

void WriteStreamBool(TStream &stream, bool value)
{
    stream.WriteBool16(value);
}

QString ReadStreamString(TStream &stream)
{
    return stream.ReadStreamString();
}

void WriteStreamString(TStream &stream, const QString &text)
{
    stream.WriteStreamString(text);
}

void ReadStreamStrings(TStream &stream, QStringList &lines)
{
    lines.clear();
    if (stream.ReadUInt16() == 0) {
        stream.ReadByte();
        return;
    }
    quint8 separator = 0;
    do {
        lines << stream.ReadCodePageText(stream.ReadUInt16());
        separator = stream.ReadByte();
    } while (separator != 0);
}

void WriteStreamStrings(TStream &stream, const QStringList &lines)
{
    if (lines.size() > 0xFFFF)
        throw EWriteError(QStringLiteral("Список из %1 строк не помещается в шаблон").arg(lines.size()));
    stream.WriteUInt16(quint16(lines.size()));
    if (lines.isEmpty())
        stream.WriteByte(0);
    // Each line closed by a carriage return, the last by the list's closing zero.
    for (int i = 0; i < lines.size(); ++i)
        if (!stream.WriteCodePageRecord(lines.at(i), i + 1 < lines.size() ? 13 : 0))
            throw EWriteError(QStringLiteral("Строка длиннее 65535 байт не помещается в шаблон"));
}

QString ReadZeroString(TStream &stream)
{
    QByteArray bytes;
    for (;;) {
        const quint8 b = stream.ReadByte();
        if (b == 0)
            break;
        bytes.append(char(b));
    }
    return CP1251ToQString(bytes);
}

void ReadZeroStrings(TStream &stream, QStringList &lines)
{
    lines.clear();
    QByteArray line;
    for (;;) {
        const quint8 b = stream.ReadByte();
        if (b == 0)
            break;
        if (b == 13) {
            lines << CP1251ToQString(line);
            line.clear();
        } else {
            line.append(char(b));
        }
    }
    if (!line.isEmpty())
        lines << CP1251ToQString(line);
}

QString ReadStoredString(TStream &stream)
{
    return frEngine().StreamVersion < 23 ? ReadZeroString(stream) : ReadStreamString(stream);
}

void ReadStoredStrings(TStream &stream, QStringList &lines)
{
    if (frEngine().StreamVersion < 23)
        ReadZeroStrings(stream, lines);
    else
        ReadStreamStrings(stream, lines);
}

void FontStyleFromInt(QFont &font, int stored)
{
    font.setItalic(stored & 1);
    font.setBold(stored & 2);
    font.setUnderline(stored & 4);
    font.setStrikeOut(stored & 8);
}

int FontStyleToInt(const QFont &font)
{
    return (font.italic() ? 1 : 0) | (font.bold() ? 2 : 0) | (font.underline() ? 4 : 0) | (font.strikeOut() ? 8 : 0);
}

QString WindowsVersionLabel()
{
    return QString();
}

double StrToFloatAnySeparator(const QString &text)
{
    QString s = text;
    const QChar sep = FormatSettings().DecimalSeparator;
    for (QChar &c : s)
        if (c == u',' || c == u'.')
            c = sep;
    return StrToFloat(s.trimmed());
}

QString UnquoteText(const QString &text)
{
    if (text.size() > 2 && text.startsWith(u'"') && text.endsWith(u'"'))
        return text.mid(1, text.size() - 2);
    return text;
}

QString ReadToken(const QString &text, int &pos)
{
    const int start = pos;
    int i = pos;
    while (i <= text.size() && text.at(i - 1) != u';')
        ++i;
    pos = i + 1;
    return text.mid(start - 1, i - start);
}

void SplitBySemicolon(const QString &text, QStringList &list)
{
    list.clear();
    int pos = 1;
    while (pos <= text.size())
        list << ReadToken(text, pos);
}

QObject *FindComponentPath(QObject *owner, const QString &name)
{
    try {
        ComponentRegistry &registry = ComponentRegistry::instance();
        if (name.contains(u'.'))
            return registry.find(name);
        for (const ComponentRegistry::Entry &e : registry.entries())
            if (e.owner == owner && e.name.compare(name, Qt::CaseInsensitive) == 0)
                return e.component;
        return nullptr;
    } catch (const std::exception &) {
        throw EClassNotFound(QStringLiteral("Missing ") + name);
    }
}

QObject *FindReportComponent(const QString &name)
{
    TfrReport *report = frEngine().CurrentReport;
    return FindComponentPath(report ? report->parent() : nullptr, name);
}

void CollectComponentNames(QObject *owner, const QMetaObject &cls, QStringList &list, QObject *skipped)
{
    list.clear();
    for (const ComponentRegistry::Entry &e : ComponentRegistry::instance().entries()) {
        if (!e.component || e.component == skipped || !e.component->metaObject()->inherits(&cls))
            continue;
        list << (e.owner == owner ? e.name : e.fullName());
    }
}

QWidget *ControlAtPoint(QWidget *parent, const QPoint &point)
{
    const QObjectList &children = parent->children();
    for (auto it = children.crbegin(); it != children.crend(); ++it) {
        auto *w = qobject_cast<QWidget *>(*it);
        if (!w || !w->isVisible() || w->isWindow() || !w->geometry().contains(point))
            continue;
        const bool hasChildWidgets = std::any_of(w->children().begin(), w->children().end(),
                                                 [](QObject *o) { return o->isWidgetType(); });
        if (!hasChildWidgets)
            return w;
        if (QWidget *inner = ControlAtPoint(w, point - w->pos()))
            return inner;
        // Nothing inside: the search moves on to the next candidate.
    }
    return nullptr;
}

void SetControlsEnabled(const QList<QWidget *> &controls, bool enabled)
{
    for (QWidget *w : controls) {
        QPalette palette = w->palette();
        if (qobject_cast<QLabel *>(w))
            palette.setColor(QPalette::WindowText, toQColor(enabled ? clWindowText : clGrayText));
        else
            palette.setColor(QPalette::Base, toQColor(enabled ? clWindow : clBtnFace));
        w->setPalette(palette);
        w->setEnabled(enabled);
    }
}

void ResolveFieldReference(const QString &text, TDataSet *&dataset, QString &fieldName)
{
    // Points inside a quoted field name do not separate parts.
    const qsizetype quote = text.indexOf(u'"');
    QStringList parts = (quote < 0 ? text : text.left(quote)).split(u'.');
    if (quote >= 0)
        parts.last() += text.mid(quote);
    if (parts.size() > 4) {
        dataset = nullptr;
    } else if (parts.size() > 1) {
        TfrReport *report = frEngine().CurrentReport;
        dataset = qobject_cast<TDataSet *>(
            FindComponentPath(report ? report->parent() : nullptr, parts.mid(0, parts.size() - 1).join(u'.')));
    }
    fieldName = FieldNameIfExists(dataset, UnquoteText(parts.last()));
}

QString FieldNameIfExists(const TDataSet *dataset, const QString &name)
{
    QStringList names;
    ListDataSetFields(dataset, names);
    return names.contains(name, Qt::CaseInsensitive) ? name : QString();
}

void ListDataSetFields(const TDataSet *dataset, QStringList &list)
{
    list.clear();
    if (!dataset)
        return;
    // A closed dataset without declared fields still knows its columns from its definitions.
    if (dataset->FieldCount() > 0) {
        for (const TField *field : dataset->Fields())
            list << field->FieldName();
    } else {
        for (const TFieldDef &def : dataset->FieldDefs().Items())
            list << def.Name;
    }
}

void GetFieldValue(TField *field, Variant &value)
{
    if (field->DataSet() && !field->DataSet()->Active())
        field->DataSet()->Open();
    const TFieldType type = field->DataType();
    if (field->OnGetText || type == ftLargeint) {
        value = Variant(field->DisplayText());
        return;
    }
    const QVariant v = field->Value();
    if (v.isValid()) {
        value = Variant::fromQVariant(v);
        return;
    }
    switch (type) {
    case ftString: case ftFixedChar: case ftWideString:
    // An empty note prints as nothing, not as 0.
    case ftMemo: case ftFmtMemo: case ftOraClob:
        value = Variant(QString());
        break;
    case ftBoolean:
        value = Variant(false);
        break;
    default:
        value = Variant(0);
    }
}

bool IsBlobField(const TField *field)
{
    return field && IsBlobType(field->DataType());
}

namespace {

QByteArray blobBytes(const TField *field)
{
    const QVariant v = field->Value();
    if (!v.isValid())
        return {};
    return v.typeId() == QMetaType::QByteArray ? v.toByteArray() : QStringToCP1251(v.toString());
}

} // namespace

void AssignBlobTo(const TField *field, TStream &target)
{
    const QByteArray bytes = blobBytes(field);
    target.WriteBuffer(bytes.constData(), bytes.size());
    target.SetPosition(0);
}

void AssignBlobTo(const TField *field, QStringList &target)
{
    const QVariant v = field->Value();
    const QString text = v.typeId() == QMetaType::QByteArray ? CP1251ToQString(v.toByteArray()) : v.toString();
    target.clear();
    if (text.isEmpty())
        return;
    target = text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    // A final line break ends the last line rather than starting an empty one.
    if (target.last().isEmpty())
        target.removeLast();
}

QByteArray GetDataSetBookmark(const TDataSet *dataset)
{
    return dataset ? dataset->GetBookmark() : QByteArray();
}

void GotoDataSetBookmark(TDataSet *dataset, const QByteArray &bookmark)
{
    if (dataset)
        dataset->GotoBookmark(bookmark);
}

void FreeDataSetBookmark(TDataSet *dataset, QByteArray &bookmark)
{
    Q_UNUSED(dataset);
    bookmark.clear();
}

bool BookmarksEqual(const TDataSet *dataset, const QByteArray &bookmark1, const QByteArray &bookmark2)
{
    return CompareDatasetBookmarks(dataset, bookmark1, bookmark2) == 0;
}
