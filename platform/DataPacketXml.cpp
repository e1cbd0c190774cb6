#include "DataPacketXml.h"

#include <QLocale>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>

namespace {

struct TypeName
{
    TFieldType type;
    const char *fieldType;
    const char *subType;
};

// The packet's names of the field types; the first entry of a packet name is the one read back.
const TypeName typeNames[] = {
    {ftString, "string", nullptr},     {ftFixedChar, "string", "FixedChar"}, {ftGuid, "string", "Guid"},
    {ftWideString, "string.uni", nullptr}, {ftSmallint, "i2", nullptr},      {ftWord, "ui2", nullptr},
    {ftInteger, "i4", nullptr},        {ftAutoInc, "i4", "Autoinc"},         {ftLargeint, "i8", nullptr},
    {ftFloat, "r8", nullptr},          {ftCurrency, "r8", "Money"},          {ftBCD, "fixed", nullptr},
    {ftBoolean, "boolean", nullptr},   {ftDate, "date", nullptr},            {ftTime, "time", nullptr},
    {ftDateTime, "dateTime", nullptr}, {ftMemo, "bin.hex", "Text"},          {ftFmtMemo, "bin.hex", "Formatted"},
    {ftOraClob, "bin.hex", "Text"},    {ftBlob, "bin.hex", "Binary"},        {ftGraphic, "bin.hex", "Graphics"},
    {ftBytes, "bytes", nullptr},       {ftVarBytes, "bin.hex", nullptr},
};

const TypeName *nameOf(TFieldType t)
{
    for (const TypeName &n : typeNames)
        if (n.type == t)
            return &n;
    return nullptr;
}

TFieldType typeOf(const QString &fieldType, const QString &subType)
{
    for (const TypeName &n : typeNames)
        if (fieldType == QLatin1String(n.fieldType) && subType == QLatin1String(n.subType ? n.subType : ""))
            return n.type;
    for (const TypeName &n : typeNames)
        if (fieldType == QLatin1String(n.fieldType))
            return n.type;
    return ftUnknown;
}

const char *dateFormat = "yyyyMMdd";
const char *timeFormat = "HH:mm:sszzz";

QString valueText(TFieldType t, const QVariant &v)
{
    switch (t) {
    case ftBoolean: return v.toBool() ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    case ftFloat: case ftCurrency: case ftBCD: return QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
    case ftDate: return v.toDateTime().toString(QLatin1String(dateFormat));
    case ftTime: return v.toDateTime().toString(QLatin1String(timeFormat));
    case ftDateTime:
        return v.toDateTime().toString(QLatin1String(dateFormat)) + QLatin1Char('T')
            + v.toDateTime().toString(QLatin1String(timeFormat));
    case ftMemo: case ftFmtMemo: case ftOraClob: return QString::fromLatin1(v.toString().toUtf8().toBase64());
    case ftBlob: case ftGraphic: case ftBytes: case ftVarBytes: return QString::fromLatin1(v.toByteArray().toBase64());
    default: return v.toString();
    }
}

// Answers an invalid QVariant with ok = false when the text does not fit the type.
QVariant parseValue(TFieldType t, const QString &s, bool &ok)
{
    ok = true;
    switch (t) {
    case ftSmallint: case ftInteger: case ftWord: case ftAutoInc: {
        const int n = s.toInt(&ok);
        return ok ? QVariant(n) : QVariant();
    }
    case ftLargeint: {
        const qlonglong n = s.toLongLong(&ok);
        return ok ? QVariant(n) : QVariant();
    }
    case ftFloat: case ftCurrency: case ftBCD: {
        const double d = s.toDouble(&ok);
        return ok ? QVariant(d) : QVariant();
    }
    case ftBoolean:
        ok = s == QLatin1String("TRUE") || s == QLatin1String("FALSE");
        return ok ? QVariant(s == QLatin1String("TRUE")) : QVariant();
    case ftDate: case ftTime: case ftDateTime: {
        QDate d(1899, 12, 30);
        QTime time(0, 0);
        const int tpos = int(s.indexOf(QLatin1Char('T')));
        const QString datePart = t == ftTime ? QString() : (tpos >= 0 ? s.left(tpos) : s);
        const QString timePart = t == ftTime ? s : (tpos >= 0 ? s.mid(tpos + 1) : QString());
        if (!datePart.isEmpty())
            d = QDate::fromString(datePart, QLatin1String(dateFormat));
        if (!timePart.isEmpty())
            time = QTime::fromString(timePart, QLatin1String(timeFormat));
        ok = d.isValid() && time.isValid();
        return ok ? QVariant(QDateTime(d, time)) : QVariant();
    }
    case ftMemo: case ftFmtMemo: case ftOraClob:
    case ftBlob: case ftGraphic: case ftBytes: case ftVarBytes: {
        const auto decoded = QByteArray::fromBase64Encoding(s.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        ok = bool(decoded);
        if (!ok)
            return QVariant();
        if (IsStringType(t))
            return QString::fromUtf8(*decoded);
        return *decoded;
    }
    default:
        return s;
    }
}

[[noreturn]] void bad(const QString &what)
{
    throw EDatabaseError(QStringLiteral("Invalid data packet: %1").arg(what));
}

// The RowState of a saved row.
const int stateOriginal = 1, stateDeleted = 2, stateInserted = 4, stateModified = 8;

// The changes in the order the CHANGE_LOG names them: every changed record exactly once.
std::vector<TPacketChange> orderedChanges(std::vector<TPacketChange> changes, const QString &changeLog)
{
    const QStringList numbers = changeLog.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    std::vector<TPacketChange> ordered;
    for (const QString &n : numbers) {
        bool ok = false;
        const int row = n.toInt(&ok) - 1;
        auto it = std::find_if(changes.begin(), changes.end(), [row](const TPacketChange &c) { return c.row == row; });
        if (!ok || it == changes.end())
            bad(QStringLiteral("the change log names '%1', which is not a changed row").arg(n));
        ordered.push_back(std::move(*it));
        changes.erase(it);
    }
    if (!changes.empty())
        bad(QStringLiteral("the change log leaves out row %1").arg(changes.front().row + 1));
    return ordered;
}

} // namespace

void WriteDataPacketXml(QIODevice &device, const TDataPacket &packet)
{
    const QList<TFieldDef> &fields = packet.fields;
    std::vector<const TPacketChange *> changeOf(packet.rows.size(), nullptr);
    QStringList changeLog;
    for (const TPacketChange &c : packet.changes) {
        changeOf[size_t(c.row)] = &c;
        changeLog << QString::number(c.row + 1);
    }
    // The packet's own declaration names no encoding; the text is UTF-8, the XML default.
    device.write("<?xml version=\"1.0\" standalone=\"yes\"?>");
    QXmlStreamWriter w(&device);
    w.writeStartElement(QStringLiteral("DATAPACKET"));
    w.writeAttribute(QStringLiteral("Version"), QStringLiteral("2.0"));
    w.writeStartElement(QStringLiteral("METADATA"));
    w.writeStartElement(QStringLiteral("FIELDS"));
    for (const TFieldDef &f : fields) {
        const TypeName *n = nameOf(f.DataType);
        if (!n)
            throw EDatabaseError(QStringLiteral("Field '%1' of type %2 cannot be saved")
                                     .arg(f.Name, FieldTypeName(f.DataType)));
        w.writeStartElement(QStringLiteral("FIELD"));
        w.writeAttribute(QStringLiteral("attrname"), f.Name);
        w.writeAttribute(QStringLiteral("fieldtype"), QLatin1String(n->fieldType));
        if (n->subType)
            w.writeAttribute(QStringLiteral("SUBTYPE"), QLatin1String(n->subType));
        if (IsStringType(f.DataType) && !IsBlobType(f.DataType))
            w.writeAttribute(QStringLiteral("WIDTH"), QString::number(f.Size));
        if (f.Required)
            w.writeAttribute(QStringLiteral("required"), QStringLiteral("true"));
        if (f.ReadOnly)
            w.writeAttribute(QStringLiteral("readonly"), QStringLiteral("true"));
        w.writeEndElement();
    }
    w.writeEndElement();
    w.writeEmptyElement(QStringLiteral("PARAMS"));
    if (!changeLog.isEmpty())
        w.writeAttribute(QStringLiteral("CHANGE_LOG"), changeLog.join(QLatin1Char(' ')));
    w.writeEndElement();
    w.writeStartElement(QStringLiteral("ROWDATA"));
    auto writeRow = [&](const std::vector<QVariant> &row, int state) {
        w.writeStartElement(QStringLiteral("ROW"));
        if (state != 0)
            w.writeAttribute(QStringLiteral("RowState"), QString::number(state));
        for (int i = 0; i < fields.size(); ++i)
            if (size_t(i) < row.size() && row[size_t(i)].isValid())
                w.writeAttribute(fields[i].Name, valueText(fields[i].DataType, row[size_t(i)]));
        w.writeEndElement();
    };
    for (size_t r = 0; r < packet.rows.size(); ++r) {
        const TPacketChange *c = changeOf[r];
        if (!c) {
            writeRow(packet.rows[r], 0);
        } else if (c->status == usModified) {
            writeRow(c->original, stateOriginal);
            writeRow(packet.rows[r], stateModified);
        } else {
            writeRow(packet.rows[r], c->status == usInserted ? stateInserted : stateDeleted);
        }
    }
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndDocument();
}

TDataPacket ReadDataPacketXml(QIODevice &device)
{
    TDataPacket packet;
    QXmlStreamReader r(&device);
    bool sawRoot = false, sawFields = false;
    QString changeLog;
    std::vector<QVariant> original; // of the modified record whose current values come next
    bool awaitingCurrent = false;
    while (!r.atEnd()) {
        if (r.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QStringView name = r.name();
        const int record = int(packet.rows.size()) + 1;
        if (!sawRoot) {
            if (name != QLatin1String("DATAPACKET"))
                bad(QStringLiteral("the root element is not DATAPACKET"));
            sawRoot = true;
        } else if (name == QLatin1String("FIELDS")) {
            sawFields = true;
        } else if (name == QLatin1String("PARAMS")) {
            changeLog = r.attributes().value(QLatin1String("CHANGE_LOG")).toString();
        } else if (name == QLatin1String("FIELD")) {
            const auto a = r.attributes();
            TFieldDef def;
            def.Name = a.value(QLatin1String("attrname")).toString();
            def.DataType = typeOf(a.value(QLatin1String("fieldtype")).toString(),
                                  a.value(QLatin1String("SUBTYPE")).toString());
            if (def.Name.isEmpty())
                bad(QStringLiteral("a field has no name"));
            if (def.DataType == ftUnknown)
                bad(QStringLiteral("field '%1' has the unknown type '%2'")
                        .arg(def.Name, a.value(QLatin1String("fieldtype")).toString()));
            for (const TFieldDef &f : packet.fields)
                if (f.Name.compare(def.Name, Qt::CaseInsensitive) == 0)
                    bad(QStringLiteral("field '%1' appears twice").arg(def.Name));
            def.Size = a.value(QLatin1String("WIDTH")).toInt();
            def.Required = a.value(QLatin1String("required")) == QLatin1String("true");
            def.ReadOnly = a.value(QLatin1String("readonly")) == QLatin1String("true");
            packet.fields << def;
        } else if (name == QLatin1String("ROW")) {
            if (!sawFields)
                bad(QStringLiteral("rows come before the fields"));
            std::vector<QVariant> row(size_t(packet.fields.size()));
            int state = 0;
            for (const QXmlStreamAttribute &attr : r.attributes()) {
                const QString column = attr.name().toString();
                if (column == QLatin1String("RowState")) {
                    bool ok = false;
                    state = attr.value().toInt(&ok);
                    if (!ok || (state != 0 && state != stateOriginal && state != stateDeleted
                                && state != stateInserted && state != stateModified))
                        bad(QStringLiteral("row %1 has the unknown state '%2'").arg(record).arg(attr.value()));
                    continue;
                }
                int i = 0;
                while (i < packet.fields.size() && packet.fields[i].Name != column)
                    ++i;
                if (i == packet.fields.size())
                    bad(QStringLiteral("row %1 has the unknown field '%2'").arg(record).arg(column));
                bool ok = true;
                row[size_t(i)] = parseValue(packet.fields[i].DataType, attr.value().toString(), ok);
                if (!ok)
                    bad(QStringLiteral("row %1, field '%2': '%3' is not a valid value")
                            .arg(record).arg(column, attr.value().toString()));
            }
            if (awaitingCurrent != (state == stateModified))
                bad(QStringLiteral("row %1: a modified row must follow its original values").arg(record));
            if (state == stateOriginal) {
                original = std::move(row);
                awaitingCurrent = true;
                continue;
            }
            if (state != 0) {
                TPacketChange change;
                change.row = record - 1;
                change.status = state == stateInserted ? usInserted : (state == stateDeleted ? usDeleted : usModified);
                if (state == stateModified)
                    change.original = std::move(original);
                packet.changes.push_back(std::move(change));
            }
            awaitingCurrent = false;
            packet.rows.push_back(std::move(row));
        }
    }
    if (r.hasError())
        bad(r.errorString() + QStringLiteral(" (line %1)").arg(r.lineNumber()));
    if (!sawRoot || !sawFields)
        bad(QStringLiteral("no field list"));
    if (awaitingCurrent)
        bad(QStringLiteral("the last row's original values have no current values"));
    if (!changeLog.isEmpty())
        packet.changes = orderedChanges(std::move(packet.changes), changeLog);
    return packet;
}
