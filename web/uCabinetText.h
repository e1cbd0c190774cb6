#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// The texts of the subscribers' cabinet: request parameters as they arrive, JSON values as they leave, and
// web passwords as they are stored.

using TRequestParams = QList<QPair<QString, QString>>;

// "name=value" pairs separated by "&", as a query string or a form body sends them: "+" is a blank and
// "%XX" a byte; a malformed escape stays as it is. Names and values are read as UTF-8 when they are valid
// UTF-8, else as CP1251.
TRequestParams DecodeRequestParams(const QByteArray &text);
QString DecodeParamBytes(const QByteArray &bytes);
// The first value of that name; empty when there is none.
QString ParamValue(const TRequestParams &params, const QString &name);
// "name=value" for the event monitor; a password shows as "***".
QString ParamLogText(const QString &name, const QString &value);

// The text between a JSON string's quotes: `"`, `\` and control characters escaped.
QString JsonEscape(const QString &text);

// The stored form of a web password: the MD5 digest of its CP1251 bytes as 32 lower-case hexadecimal digits.
QString WebPasswordDigest(const QString &plainPassword);
