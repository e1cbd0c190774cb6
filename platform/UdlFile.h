#pragma once

#include <QList>
#include <QPair>
#include <QString>

// One "Name=Value" pair of an initialisation string, in the order written.
using TConnectionProperty = QPair<QString, QString>;
using TConnectionProperties = QList<TConnectionProperty>;

// Reader of connection files: a text file (UTF-16 with a byte-order mark, or UTF-8) whose initialisation string
// is a list of "Name=Value;" pairs, optionally preceded by an "[oledb]" section line and ";" comment lines.
namespace UdlFile {

// The initialisation string of the file; raises EDatabaseError when the file cannot be read or holds none.
QString readInitString(const QString &path);

// The pairs of an initialisation string. Values may be quoted with " or ' (a doubled quote stands for one), so
// that they can hold ";". A leading bare "ODBC" names the ODBC provider ("ODBC;DSN=..."). Raises
// EDatabaseError on a pair without "=" or an unclosed quote.
TConnectionProperties parse(const QString &initString);

} // namespace UdlFile
