#include "AdoStatements.h"

#include "DatabaseError.h"
#include "DriverHandle.h"
#include "SqliteErrors.h"

#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlField>

#include <sqlite3.h>

namespace {

// A column as the table declares it ("VARCHAR2(40)", "NUMBER(16,2)", "DATE"); an expression declares nothing
// and stays untyped, so that its values tell.
QSqlField declaredField(sqlite3_stmt *stmt, int column)
{
    const auto *name = static_cast<const QChar *>(sqlite3_column_name16(stmt, column));
    QSqlField field(name ? QString(name) : QString());
    const char *declared = sqlite3_column_decltype(stmt, column);
    if (!declared)
        return field;
    const QString type = QString::fromUtf8(declared).toUpper();
    static const QRegularExpression width(QStringLiteral("\\(\\s*(\\d+)"));
    if (type.contains(QLatin1String("CHAR")) || type.contains(QLatin1String("TEXT"))
        || type.contains(QLatin1String("CLOB"))) {
        field.setMetaType(QMetaType(QMetaType::QString));
        field.setLength(width.match(type).captured(1).toInt());
    } else if (type == QLatin1String("INTEGER") || type == QLatin1String("INT")) {
        field.setMetaType(QMetaType(QMetaType::Int));
    } else if (type.contains(QLatin1String("DATE")) || type.contains(QLatin1String("TIME"))) {
        field.setMetaType(QMetaType(QMetaType::QDateTime));
    } else if (type.contains(QLatin1String("BLOB"))) {
        field.setMetaType(QMetaType(QMetaType::QByteArray));
    } else if (type.contains(QLatin1String("BOOL"))) {
        field.setMetaType(QMetaType(QMetaType::Bool));
    } else {
        field.setMetaType(QMetaType(QMetaType::Double));
    }
    return field;
}

QVariant cell(sqlite3_stmt *stmt, int column)
{
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
        return qlonglong(sqlite3_column_int64(stmt, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(stmt, column);
    case SQLITE_NULL:
        return QVariant(QMetaType(QMetaType::QString));
    case SQLITE_BLOB: {
        const int bytes = sqlite3_column_bytes(stmt, column);
        return QByteArray(static_cast<const char *>(sqlite3_column_blob(stmt, column)), bytes);
    }
    default: {
        // Texts are stored as UTF-8: asking the engine for UTF-16 would have it convert (and allocate) every cell
        // before the string is made, which on a slice of dated rows costs more than reading them.
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, column));
        return QString::fromUtf8(text, sqlite3_column_bytes(stmt, column));
    }
    }
}

class SqliteStatements : public StatementCache
{
public:
    SqliteStatements(const QSqlDriver *driver, int &prepareCount, sqlite3 *db)
        : StatementCache(driver, prepareCount, u'?')
        , m_db(db)
    {
    }

protected:
    struct SqlitePrepared : Prepared
    {
        sqlite3_stmt *stmt = nullptr;
        QSqlRecord record;
        // How often the engine has prepared the statement anew (a table it reads was changed meanwhile).
        int reprepared = 0;
        ~SqlitePrepared() override { sqlite3_finalize(stmt); }

        void describe()
        {
            record.clear();
            for (int c = 0; c < sqlite3_column_count(stmt); ++c)
                record.append(declaredField(stmt, c));
            reprepared = sqlite3_stmt_status(stmt, SQLITE_STMTSTATUS_REPREPARE, 0);
        }
    };

    RowsResult *execute(const Text &text, std::unique_ptr<Prepared> &prepared, bool keep,
                        const QList<BoundValue> &values) override
    {
        if (!prepared)
            prepared = prepare(text.engineText, keep);
        auto &p = static_cast<SqlitePrepared &>(*prepared);
        sqlite3_stmt *stmt = p.stmt;
        for (int i = 0; i < values.size(); ++i)
            if (const int rc = bind(stmt, i + 1, values.at(i)); rc != SQLITE_OK) {
                sqlite3_reset(stmt);
                throw EDatabaseError(errorText());
            }

        ResultRows rows;
        int rc = sqlite3_step(stmt);
        if (sqlite3_stmt_status(stmt, SQLITE_STMTSTATUS_REPREPARE, 0) != p.reprepared)
            p.describe();
        const int columns = p.record.count();
        for (; rc == SQLITE_ROW; rc = sqlite3_step(stmt)) {
            std::vector<QVariant> &row = rows.emplace_back();
            row.reserve(size_t(columns));
            for (int c = 0; c < columns; ++c)
                row.push_back(cell(stmt, c));
        }
        if (rc != SQLITE_DONE) {
            const QString error = errorText();
            sqlite3_reset(stmt);
            throw EDatabaseError(error);
        }
        sqlite3_reset(stmt);
        const int affected = columns > 0 ? int(rows.size()) : sqlite3_changes(m_db);
        return new RowsResult(m_driver, p.record, std::move(rows), affected);
    }

    void release(std::vector<std::unique_ptr<Prepared>>) override {}

private:
    std::unique_ptr<Prepared> prepare(const QString &engineText, bool keep)
    {
        auto p = std::make_unique<SqlitePrepared>();
        const void *tail = nullptr;
        const int rc = sqlite3_prepare16_v3(m_db, engineText.utf16(), int(engineText.size() * sizeof(QChar)),
                                            keep ? SQLITE_PREPARE_PERSISTENT : 0, &p->stmt, &tail);
        ++m_prepareCount;
        if (rc != SQLITE_OK)
            throw EDatabaseError(errorText());
        if (!p->stmt)
            throw EDatabaseError(QStringLiteral("The statement is empty"));
        // One statement at a time: a second one after the first would otherwise be dropped unseen.
        const auto *rest = static_cast<const QChar *>(tail);
        const QChar *end = engineText.constData() + engineText.size();
        for (; rest && rest < end; ++rest)
            if (!rest->isSpace() && *rest != u';')
                throw EDatabaseError(QStringLiteral("Only one statement can be run at a time: %1")
                                         .arg(QString(rest, end - rest).trimmed()));
        p->describe();
        return p;
    }

    static int bind(sqlite3_stmt *stmt, int index, const BoundValue &v)
    {
        switch (v.kind) {
        case BoundValue::Null:
            return sqlite3_bind_null(stmt, index);
        case BoundValue::Integer:
            return sqlite3_bind_int64(stmt, index, v.value.toLongLong());
        case BoundValue::Float:
            return sqlite3_bind_double(stmt, index, v.value.toDouble());
        case BoundValue::Text:
        case BoundValue::Date: {
            // The value list outlives the statement's run.
            const auto *text = static_cast<const QString *>(v.value.constData());
            return sqlite3_bind_text16(stmt, index, text->utf16(), int(text->size() * sizeof(QChar)), SQLITE_STATIC);
        }
        case BoundValue::Bytes: {
            const auto *bytes = static_cast<const QByteArray *>(v.value.constData());
            return sqlite3_bind_blob(stmt, index, bytes->constData(), int(bytes->size()), SQLITE_STATIC);
        }
        }
        return SQLITE_MISUSE;
    }

    QString errorText() const { return sqliteErrorText(m_db); }

    sqlite3 *m_db;
};

} // namespace

std::unique_ptr<StatementCache> StatementCache::forSqlite(const QSqlDriver *driver, int &prepareCount)
{
    sqlite3 *db = sqliteHandleOf(driver->handle());
    if (!db)
        throw EDatabaseError(QStringLiteral("The SQLite driver gives no handle"));
    return std::make_unique<SqliteStatements>(driver, prepareCount, db);
}
