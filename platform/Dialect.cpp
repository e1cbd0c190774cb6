#include "Dialect.h"

#include "AdoConnection.h"
#include "DatabaseError.h"
#include "LogSink.h"

#include <QRegularExpression>

namespace {

QString zolt(const QString &table)
{
    return QStringLiteral("ZOLT.") + table;
}

// The first number in a declared type's parentheses: "VARCHAR2(20)" gives 20, "NUMBER(16,2)" 16, "DATE" 0.
int declaredWidth(const QString &type)
{
    static const QRegularExpression re(QStringLiteral("\\(\\s*(\\d+)"));
    const auto m = re.match(type);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

class SqliteDialect : public Dialect
{
public:
    Engine engine() const override { return Engine::SQLite; }

    QStringList sessionInit() const override { return {}; }
    QStringList createSchemaStatements() const override { return {}; }
    QStringList createSequenceStatements(const QString &name) const override
    {
        return {QStringLiteral("CREATE TABLE IF NOT EXISTS ZOLT.SEQUENCES (NAME VARCHAR2(30) NOT NULL PRIMARY KEY, "
                               "LAST_VALUE INTEGER NOT NULL)"),
                QStringLiteral("INSERT INTO ZOLT.SEQUENCES (NAME, LAST_VALUE) VALUES (%1, 0)")
                    .arg(quoteText(checkedIdentifier(name).toUpper()))};
    }

    QString sysdate() const override { return QStringLiteral("SYSDATE()"); }
    QString doubleType() const override { return QStringLiteral("REAL"); }
    QString daysBetween(const QString &later, const QString &earlier) const override
    {
        return QStringLiteral("(julianday(%1) - julianday(%2))").arg(later, earlier);
    }
    QString addDays(const QString &date, const QString &days) const override
    {
        return QStringLiteral("datetime(julianday(%1) + (%2))").arg(date, days);
    }
    QString truncDate(const QString &date) const override
    {
        return QStringLiteral("(date(%1) || ' 00:00:00')").arg(date);
    }
    // SQLite keeps the declared type, whose affinity is what matters; widths are not enforced.
    QString columnType(const QString &declared) const override { return declared.trimmed(); }

    QString changePasswordStatement(const QString &, const QString &) const override { return {}; }

    QString modifyColumn(const QString &table, const QString &column, const QString &) const override
    {
        checkedIdentifier(table);
        checkedIdentifier(column);
        return {};
    }
    // Foreign keys can only be declared with the table; a fresh schema has them, an upgraded one does not.
    QString addForeignKey(const QString &table, const QString &name, const QString &columns, const QString &refTable,
                          const QString &refColumns) const override
    {
        checkedIdentifier(table);
        checkedIdentifier(name);
        checkedColumnList(columns);
        checkedIdentifier(refTable);
        checkedColumnList(refColumns);
        platformLog(LogKind::Debug, QStringLiteral("The foreign key %1 of %2 is not added: SQLite declares foreign keys "
                                                   "only with the table").arg(name, table));
        return {};
    }
    QString createIndex(const QString &name, const QString &table, const QString &columns) const override
    {
        return QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (%3)")
            .arg(zolt(checkedIdentifier(name)), checkedIdentifier(table), checkedColumnList(columns));
    }

    bool tableExists(TADOConnection &connection, const QString &table) const override
    {
        return connection
                   .SelectValue(QStringLiteral("select count(*) from ZOLT.sqlite_master where type = 'table' "
                                               "and upper(name) = upper(:P_TABLE)"),
                                ParamsOf({{QStringLiteral("P_TABLE"), table}}))
                   .toInt()
               > 0;
    }
    int columnWidth(TADOConnection &connection, const QString &table, const QString &column) const override
    {
        const QVariant type = connection.SelectValue(
            QStringLiteral("select type from pragma_table_info(:P_TABLE, 'ZOLT') where upper(name) = upper(:P_COLUMN)"),
            ParamsOf({{QStringLiteral("P_TABLE"), table.toUpper()}, {QStringLiteral("P_COLUMN"), column}}));
        return type.isValid() ? declaredWidth(type.toString()) : -1;
    }
    // Constraint names are not kept, and there is nothing to drop.
    bool constraintExists(TADOConnection &, const QString &, const QString &) const override { return false; }

    // SQLite has no sequences: a table of last values, bumped and read in one transaction.
    QVariant nextSequenceValue(TADOConnection &connection, const QString &name) const override
    {
        const TParams params = ParamsOf({{QStringLiteral("P_NAME"), name.toUpper()}});
        const bool own = !connection.InTransaction();
        if (own)
            connection.BeginTrans();
        try {
            QVariant value;
            if (connection.Execute(QStringLiteral("update ZOLT.SEQUENCES set LAST_VALUE = LAST_VALUE + 1 "
                                                  "where NAME = :P_NAME"),
                                   params)
                > 0)
                value = connection.SelectValue(
                    QStringLiteral("select LAST_VALUE from ZOLT.SEQUENCES where NAME = :P_NAME"), params);
            if (own)
                connection.CommitTrans();
            return value;
        } catch (...) {
            if (own && connection.InTransaction())
                connection.RollbackTrans();
            throw;
        }
    }
};

class PostgresDialect : public Dialect
{
public:
    Engine engine() const override { return Engine::PostgreSQL; }

    QStringList sessionInit() const override
    {
        return {QStringLiteral("SET search_path TO zolt, public"),
                QStringLiteral("SET SESSION CHARACTERISTICS AS TRANSACTION ISOLATION LEVEL READ COMMITTED")};
    }
    QStringList createSchemaStatements() const override
    {
        // ADD_MONTHS with the end-of-month rule: the last day of a month goes to the last day of the target.
        return {QStringLiteral("CREATE SCHEMA IF NOT EXISTS zolt"),
                QStringLiteral(
                    "CREATE OR REPLACE FUNCTION zolt.add_months(d timestamp, n integer) RETURNS timestamp "
                    "LANGUAGE sql IMMUTABLE AS $$ SELECT CASE "
                    "WHEN d::date = (date_trunc('month', d) + interval '1 month' - interval '1 day')::date "
                    "THEN date_trunc('month', d + n * interval '1 month') + interval '1 month' - interval '1 day' "
                    "+ (d - date_trunc('day', d)) "
                    "ELSE d + n * interval '1 month' END $$")};
    }
    QStringList createSequenceStatements(const QString &name) const override
    {
        return {QStringLiteral("CREATE SEQUENCE %1").arg(zolt(checkedIdentifier(name)))};
    }

    QString sysdate() const override { return QStringLiteral("LOCALTIMESTAMP(0)"); }
    QString doubleType() const override { return QStringLiteral("double precision"); }
    QString daysBetween(const QString &later, const QString &earlier) const override
    {
        return QStringLiteral("((%1)::date - (%2)::date)").arg(later, earlier);
    }
    QString addDays(const QString &date, const QString &days) const override
    {
        return QStringLiteral("((%1) + (%2) * interval '1 day')").arg(date, days);
    }
    QString truncDate(const QString &date) const override { return QStringLiteral("date_trunc('day', %1)").arg(date); }
    QString columnType(const QString &declared) const override
    {
        static const QRegularExpression varchar(QStringLiteral("^VARCHAR2?\\s*(\\(.*\\))$"),
                                                QRegularExpression::CaseInsensitiveOption);
        static const QRegularExpression number(QStringLiteral("^NUMBER\\s*(\\(.*\\))?$"),
                                               QRegularExpression::CaseInsensitiveOption);
        const QString t = declared.trimmed();
        if (auto m = varchar.match(t); m.hasMatch())
            return QStringLiteral("varchar") + m.captured(1);
        if (auto m = number.match(t); m.hasMatch())
            return QStringLiteral("numeric") + m.captured(1);
        if (t.compare(QLatin1String("DATE"), Qt::CaseInsensitive) == 0)
            return QStringLiteral("timestamp(0)");
        return t.toLower();
    }

    QString changePasswordStatement(const QString &userName, const QString &password) const override
    {
        QString role = userName;
        role.replace(QLatin1Char('"'), QLatin1String("\"\""));
        return QStringLiteral("ALTER ROLE \"%1\" WITH PASSWORD %2").arg(role, quoteText(password));
    }

    QString modifyColumn(const QString &table, const QString &column, const QString &declaredType) const override
    {
        return QStringLiteral("ALTER TABLE %1 ALTER COLUMN %2 TYPE %3")
            .arg(zolt(checkedIdentifier(table)), checkedIdentifier(column), columnType(declaredType));
    }
    QString addForeignKey(const QString &table, const QString &name, const QString &columns, const QString &refTable,
                          const QString &refColumns) const override
    {
        return QStringLiteral("ALTER TABLE %1 ADD CONSTRAINT %2 FOREIGN KEY (%3) REFERENCES %4 (%5)")
            .arg(zolt(checkedIdentifier(table)), checkedIdentifier(name), checkedColumnList(columns),
                 zolt(checkedIdentifier(refTable)), checkedColumnList(refColumns));
    }
    QString createIndex(const QString &name, const QString &table, const QString &columns) const override
    {
        return QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (%3)")
            .arg(checkedIdentifier(name), zolt(checkedIdentifier(table)), checkedColumnList(columns));
    }

    bool tableExists(TADOConnection &connection, const QString &table) const override
    {
        return connection
                   .SelectValue(QStringLiteral("select count(*) from information_schema.tables "
                                               "where table_schema = 'zolt' and table_name = lower(:P_TABLE)"),
                                ParamsOf({{QStringLiteral("P_TABLE"), table}}))
                   .toInt()
               > 0;
    }
    int columnWidth(TADOConnection &connection, const QString &table, const QString &column) const override
    {
        const QVariant width = connection.SelectValue(
            QStringLiteral("select coalesce(character_maximum_length, numeric_precision, 0) "
                           "from information_schema.columns where table_schema = 'zolt' "
                           "and table_name = lower(:P_TABLE) and column_name = lower(:P_COLUMN)"),
            ParamsOf({{QStringLiteral("P_TABLE"), table}, {QStringLiteral("P_COLUMN"), column}}));
        return width.isValid() ? width.toInt() : -1;
    }
    bool constraintExists(TADOConnection &connection, const QString &table, const QString &name) const override
    {
        return connection
                   .SelectValue(QStringLiteral("select count(*) from information_schema.table_constraints "
                                               "where constraint_schema = 'zolt' and table_name = lower(:P_TABLE) "
                                               "and constraint_name = lower(:P_NAME)"),
                                ParamsOf({{QStringLiteral("P_TABLE"), table}, {QStringLiteral("P_NAME"), name}}))
                   .toInt()
               > 0;
    }
    QVariant nextSequenceValue(TADOConnection &connection, const QString &name) const override
    {
        const QString qualified = QStringLiteral("zolt.") + checkedIdentifier(name).toLower();
        if (!connection
                 .SelectValue(QStringLiteral("select count(*) from information_schema.sequences "
                                             "where sequence_schema = 'zolt' and sequence_name = lower(:P_NAME)"),
                              ParamsOf({{QStringLiteral("P_NAME"), name}}))
                 .toInt())
            return {};
        return connection.SelectValue(QStringLiteral("select nextval(:P_NAME) as NextSEQ"),
                                      ParamsOf({{QStringLiteral("P_NAME"), qualified}}));
    }
};

} // namespace

std::unique_ptr<Dialect> Dialect::create(Engine engine)
{
    if (engine == Engine::SQLite)
        return std::make_unique<SqliteDialect>();
    return std::make_unique<PostgresDialect>();
}

QString Dialect::quoteText(const QString &text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString Dialect::addColumn(const QString &table, const QString &column, const QString &definition) const
{
    return QStringLiteral("ALTER TABLE %1 ADD %2 %3").arg(zolt(checkedIdentifier(table)), checkedIdentifier(column),
                                                           definition);
}

QStringList Dialect::createOrReplaceView(const QString &name, const QString &body) const
{
    const QString view = zolt(checkedIdentifier(name));
    return {QStringLiteral("DROP VIEW IF EXISTS %1").arg(view), QStringLiteral("CREATE VIEW %1 AS %2").arg(view, body)};
}

bool Dialect::columnExists(TADOConnection &connection, const QString &table, const QString &column) const
{
    return columnWidth(connection, table, column) >= 0;
}

QString Dialect::checkedIdentifier(const QString &name)
{
    static const QRegularExpression re(QStringLiteral("^[A-Za-z_][A-Za-z0-9_$]*$"));
    if (!re.match(name).hasMatch())
        throw EDatabaseError(QStringLiteral("\"%1\" is not a valid name").arg(name));
    return name;
}

QString Dialect::checkedColumnList(const QString &columns)
{
    QStringList names;
    for (const QString &c : columns.split(QLatin1Char(',')))
        names << checkedIdentifier(c.trimmed());
    return names.join(QStringLiteral(", "));
}
