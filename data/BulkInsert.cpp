#include "BulkInsert.h"

#include "DatabaseError.h"
#include "DriverHandle.h"
#include "EngineTrace.h"
#include "SqliteErrors.h"
#include "SqliteFunctions.h"

#include <QDateTime>

#include <libpq-fe.h>
#include <sqlite3.h>

#include <map>
#include <memory>

namespace {

bool isNull(const QVariant &v)
{
    return !v.isValid() || v.isNull() || (v.typeId() == QMetaType::QString && v.toString().isEmpty());
}

QString dateText(const QVariant &v)
{
    return v.typeId() == QMetaType::QDate ? sqliteDateText(v.toDate()) : sqliteDateText(v.toDateTime());
}

bool isDate(const QVariant &v)
{
    return v.typeId() == QMetaType::QDateTime || v.typeId() == QMetaType::QDate;
}

bool isInteger(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

// ---- SQLite: prepared multi-row inserts ----

struct StatementDeleter
{
    void operator()(sqlite3_stmt *s) const { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

void bindSqlite(sqlite3_stmt *s, int index, const QVariant &v)
{
    if (isNull(v)) {
        sqlite3_bind_null(s, index);
    } else if (isInteger(v)) {
        sqlite3_bind_int64(s, index, v.toLongLong());
    } else if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float) {
        sqlite3_bind_double(s, index, v.toDouble());
    } else {
        const QByteArray text = (isDate(v) ? dateText(v) : v.toString()).toUtf8();
        sqlite3_bind_text(s, index, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    }
}

void insertSqlite(sqlite3 *db, const QString &head, const QString &row, const QString &tail, int columns,
                  const QList<QVariantList> &rows)
{
    // One statement per batch size met, each prepared once and reused.
    std::map<qsizetype, Statement> prepared;
    auto statementFor = [&](qsizetype n) -> sqlite3_stmt * {
        Statement &s = prepared[n];
        if (!s) {
            const QByteArray text = (head + QStringList(n, row).join(QLatin1Char(',')) + tail).toUtf8();
            sqlite3_stmt *raw = nullptr;
            if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &raw, nullptr) != SQLITE_OK)
                throw EDatabaseError(sqliteErrorText(db));
            s.reset(raw);
        }
        return s.get();
    };
    qsizetype first = 0;
    while (first < rows.size()) {
        const qsizetype left = rows.size() - first;
        qsizetype n = TBulkInsert::SqliteBatchRows;
        while (n > left)
            n >>= 1;
        sqlite3_stmt *s = statementFor(n);
        int index = 1;
        for (qsizetype i = first; i < first + n; ++i)
            for (int c = 0; c < columns; ++c)
                bindSqlite(s, index++, c < rows.at(i).size() ? rows.at(i).at(c) : QVariant());
        const int rc = sqlite3_step(s);
        sqlite3_reset(s);
        if (rc != SQLITE_DONE)
            throw EDatabaseError(sqliteErrorText(db));
        first += n;
    }
}

// ---- PostgreSQL: COPY from memory ----

void appendCopyField(QByteArray &out, const QVariant &v)
{
    if (isNull(v)) {
        out += "\\N";
        return;
    }
    if (isInteger(v)) {
        out += QByteArray::number(v.toLongLong());
        return;
    }
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float) {
        // The shortest text that reads back as the same double: a numeric column keeps no binary noise.
        out += QByteArray::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
        return;
    }
    const QByteArray text = (isDate(v) ? dateText(v) : v.toString()).toUtf8();
    for (char ch : text) {
        switch (ch) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += ch;
        }
    }
}

QString pgError(PGconn *pg)
{
    return QString::fromUtf8(PQerrorMessage(pg)).trimmed();
}

void copyPostgres(PGconn *pg, const QString &table, const QStringList &columns, const QList<QVariantList> &rows)
{
    const QByteArray command =
        QStringLiteral("COPY %1 (%2) FROM STDIN").arg(table, columns.join(QLatin1Char(','))).toUtf8();
    PGresult *start = PQexec(pg, command.constData());
    const bool copying = PQresultStatus(start) == PGRES_COPY_IN;
    QString error = copying ? QString() : QString::fromUtf8(PQresultErrorMessage(start)).trimmed();
    PQclear(start);
    if (!copying)
        throw EDatabaseError(error.isEmpty() ? pgError(pg) : error);

    QByteArray buffer;
    constexpr qsizetype Chunk = 1 << 18;
    buffer.reserve(Chunk + 4096);
    for (const QVariantList &row : rows) {
        for (int c = 0; c < columns.size(); ++c) {
            if (c)
                buffer += '\t';
            appendCopyField(buffer, c < row.size() ? row.at(c) : QVariant());
        }
        buffer += '\n';
        if (buffer.size() >= Chunk) {
            if (PQputCopyData(pg, buffer.constData(), int(buffer.size())) != 1)
                error = pgError(pg);
            buffer.clear();
            if (!error.isEmpty())
                break;
        }
    }
    if (error.isEmpty() && !buffer.isEmpty() && PQputCopyData(pg, buffer.constData(), int(buffer.size())) != 1)
        error = pgError(pg);
    // Ending the copy with an error message makes the server refuse every row of it.
    if (PQputCopyEnd(pg, error.isEmpty() ? nullptr : "aborted") != 1 && error.isEmpty())
        error = pgError(pg);
    while (PGresult *r = PQgetResult(pg)) {
        if (PQresultStatus(r) != PGRES_COMMAND_OK && error.isEmpty())
            error = QString::fromUtf8(PQresultErrorMessage(r)).trimmed();
        PQclear(r);
    }
    if (!error.isEmpty())
        throw EDatabaseError(error);
}

} // namespace

void TBulkInsert::Insert(TADOConnection &connection, const QString &table, const QStringList &columns,
                         const QList<QVariantList> &rows, const QString &conflict)
{
    if (rows.isEmpty())
        return;
    const QString head = QStringLiteral("insert into %1 (%2) values ").arg(table, columns.join(QLatin1Char(',')));
    const QString row = QLatin1Char('(') + QStringList(columns.size(), QStringLiteral("?")).join(QLatin1Char(','))
                        + QLatin1Char(')');
    const QString tail = conflict.isEmpty() ? QString() : QLatin1Char(' ') + conflict;
    const QVariant handle = connection.Provider() == TADOConnection::TProvider::ODBC ? QVariant()
                                                                                      : connection.DriverHandle();
    if (sqlite3 *db = sqliteHandleOf(handle)) {
        TraceScope trace(connection, head + row + tail);
        QString error;
        try {
            insertSqlite(db, head, row, tail, int(columns.size()), rows);
        } catch (const EDatabaseError &e) {
            error = e.message();
        }
        trace.done(error);
        return;
    }
    if (PGconn *conn = postgresHandleOf(handle); conn && conflict.isEmpty()) {
        TraceScope trace(connection, QStringLiteral("COPY %1 (%2) FROM STDIN").arg(table, columns.join(QLatin1Char(','))));
        QString error;
        try {
            copyPostgres(conn, table, columns, rows);
        } catch (const EDatabaseError &e) {
            error = e.message();
        }
        trace.done(error);
        return;
    }
    // Any other connection: one statement per batch.
    constexpr int Batch = 100;
    for (qsizetype first = 0; first < rows.size(); first += Batch) {
        const qsizetype n = std::min<qsizetype>(Batch, rows.size() - first);
        TParams params;
        for (qsizetype i = first; i < first + n; ++i)
            for (const QVariant &v : rows.at(i))
                params.CreateParam(ftUnknown, QString()).SetValue(v);
        connection.Execute(head + QStringList(n, row).join(QLatin1Char(',')) + tail, params, TExecuteSource::Command);
    }
}
