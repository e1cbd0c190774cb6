#include "UdlFile.h"

#include "DatabaseError.h"

#include <QFile>
#include <QStringDecoder>

namespace UdlFile {

namespace {

QString decode(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFF\xFE"))
        return QStringDecoder(QStringConverter::Utf16LE).decode(bytes.mid(2));
    if (bytes.startsWith("\xFE\xFF"))
        return QStringDecoder(QStringConverter::Utf16BE).decode(bytes.mid(2));
    QStringDecoder utf8(QStringConverter::Utf8);
    QString text = utf8.decode(bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes);
    if (utf8.hasError())
        throw EDatabaseError(QStringLiteral("The connection file is neither UTF-16 nor UTF-8 text"));
    return text;
}

} // namespace

QString readInitString(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EDatabaseError(QStringLiteral("Cannot read the connection file %1: %2").arg(path, file.errorString()));
    const QString text = decode(file.readAll());
    QString init;
    for (QString line : text.split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('[')))
            continue;
        if (!init.isEmpty())
            throw EDatabaseError(
                QStringLiteral("The connection file %1 holds more than one initialisation string").arg(path));
        init = line;
    }
    if (init.isEmpty())
        throw EDatabaseError(QStringLiteral("The connection file %1 holds no initialisation string").arg(path));
    parse(init);
    return init;
}

TConnectionProperties parse(const QString &initString)
{
    TConnectionProperties result;
    const qsizetype n = initString.size();
    qsizetype i = 0;
    while (i < n) {
        const qsizetype end = [&] {
            qsizetype j = i;
            while (j < n && initString.at(j) != QLatin1Char(';') && initString.at(j) != QLatin1Char('='))
                ++j;
            return j;
        }();
        const QString name = initString.mid(i, end - i).trimmed();
        if (end == n || initString.at(end) == QLatin1Char(';')) {
            if (result.isEmpty() && name.compare(QLatin1String("ODBC"), Qt::CaseInsensitive) == 0)
                result.append({QStringLiteral("Provider"), QStringLiteral("ODBC")});
            else if (!name.isEmpty())
                throw EDatabaseError(QStringLiteral("Malformed connection string: \"%1\" has no value").arg(name));
            i = end + 1;
            continue;
        }
        if (name.isEmpty())
            throw EDatabaseError(QStringLiteral("Malformed connection string: a value without a name"));
        qsizetype j = end + 1;
        while (j < n && initString.at(j) == QLatin1Char(' '))
            ++j;
        QString value;
        if (j < n && (initString.at(j) == QLatin1Char('"') || initString.at(j) == QLatin1Char('\''))) {
            const QChar quote = initString.at(j++);
            bool closed = false;
            while (j < n) {
                if (initString.at(j) == quote) {
                    if (j + 1 < n && initString.at(j + 1) == quote) {
                        value += quote;
                        j += 2;
                        continue;
                    }
                    closed = true;
                    ++j;
                    break;
                }
                value += initString.at(j++);
            }
            if (!closed)
                throw EDatabaseError(QStringLiteral("Malformed connection string: the value of \"%1\" is not closed")
                                         .arg(name));
            while (j < n && initString.at(j) != QLatin1Char(';')) {
                if (!initString.at(j).isSpace())
                    throw EDatabaseError(
                        QStringLiteral("Malformed connection string: text after the quoted value of \"%1\"").arg(name));
                ++j;
            }
        } else {
            const qsizetype stop = initString.indexOf(QLatin1Char(';'), j);
            value = initString.mid(j, (stop < 0 ? n : stop) - j).trimmed();
            j = stop < 0 ? n : stop;
        }
        result.append({name, value});
        i = j + 1;
    }
    return result;
}

} // namespace UdlFile
