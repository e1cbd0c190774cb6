#pragma once

#include "DataSet.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>

// A server dataset for the provider tests: its rows come from a query on an in-memory SQLite database, and the
// statements a provider sends run there and are written down.
class SqlFixtureDataSet : public TDataSet
{
public:
    explicit SqlFixtureDataSet(const QString &connection) : m_connection(connection) {}

    QString TableName;
    QString KeyFields;
    QStringList Statements; // "sql | p1, p2" of every statement run for the provider

    QString PSGetTableName() const override { return TableName; }
    QString PSGetKeyFields() const override { return KeyFields; }
    QStringList PSGetTableColumns(const QString &table) override
    {
        QStringList out;
        QSqlQuery q(QSqlDatabase::database(m_connection));
        q.exec(QStringLiteral("pragma table_info(%1)").arg(table));
        while (q.next())
            out << q.value(1).toString();
        return out;
    }

    bool PSInTransaction() const override { return m_inTransaction; }
    void PSStartTransaction() override
    {
        QSqlDatabase::database(m_connection).transaction();
        m_inTransaction = true;
    }
    void PSEndTransaction(bool commit) override
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection);
        if (commit)
            db.commit();
        else
            db.rollback();
        m_inTransaction = false;
    }

    int PSExecuteStatement(const QString &sql, const TParams &params, TDataSet *resultSet) override
    {
        QStringList shown;
        QSqlQuery q(QSqlDatabase::database(m_connection));
        q.prepare(sql);
        for (const TParam &p : params) {
            QVariant v = p.Value();
            if (v.typeId() == QMetaType::QDateTime)
                v = v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            q.addBindValue(v);
            shown << (v.isValid() ? v.toString() : QStringLiteral("null"));
        }
        Statements << sql + QStringLiteral(" | ") + shown.join(QStringLiteral(", "));
        if (!q.exec())
            throw EDatabaseError(q.lastError().databaseText());
        if (resultSet) {
            QList<TFieldDef> defs;
            std::vector<std::vector<QVariant>> rows;
            Read(q, defs, rows);
            resultSet->LoadData(defs, std::move(rows));
        }
        return q.numRowsAffected();
    }

protected:
    void InternalOpen() override
    {
        QSqlQuery q(QSqlDatabase::database(m_connection));
        q.prepare(m_commandText);
        for (const TParam &p : Params())
            q.bindValue(QLatin1Char(':') + p.Name(), p.Value());
        if (!q.exec())
            throw EDatabaseError(q.lastError().databaseText());
        QList<TFieldDef> defs;
        std::vector<std::vector<QVariant>> rows;
        Read(q, defs, rows);
        FieldDefs().Clear();
        for (const TFieldDef &d : defs)
            FieldDefs().Add(d.Name, d.DataType, d.Size);
        for (auto &r : rows)
            AppendFetchedRow(std::move(r));
    }

private:
    static void Read(QSqlQuery &q, QList<TFieldDef> &defs, std::vector<std::vector<QVariant>> &rows)
    {
        const QSqlRecord rec = q.record();
        std::vector<TFieldType> types(size_t(rec.count()), ftUnknown);
        while (q.next()) {
            std::vector<QVariant> row(size_t(rec.count()));
            for (int i = 0; i < rec.count(); ++i) {
                const QVariant v = q.value(i);
                row[size_t(i)] = v.isNull() ? QVariant() : v;
                if (types[size_t(i)] == ftUnknown && !v.isNull())
                    types[size_t(i)] = v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int
                        ? ftInteger
                        : (v.typeId() == QMetaType::Double ? ftFloat : ftString);
            }
            rows.push_back(std::move(row));
        }
        for (int i = 0; i < rec.count(); ++i) {
            const TFieldType t = types[size_t(i)] == ftUnknown ? ftString : types[size_t(i)];
            defs << TFieldDef(rec.fieldName(i).toUpper(), t, t == ftString ? 50 : 0);
            for (auto &row : rows)
                if (t == ftInteger && row[size_t(i)].isValid())
                    row[size_t(i)] = row[size_t(i)].toInt();
        }
    }

    QString m_connection;
    bool m_inTransaction = false;
};

// An in-memory SQLite database of its own for one test.
class SqlFixtureDatabase
{
public:
    SqlFixtureDatabase() : m_name(QUuid::createUuid().toString())
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(QStringLiteral(":memory:"));
        db.open();
    }
    ~SqlFixtureDatabase() { QSqlDatabase::removeDatabase(m_name); }
    QString name() const { return m_name; }
    void exec(const QString &sql) const
    {
        QSqlQuery q(QSqlDatabase::database(m_name));
        if (!q.exec(sql))
            throw EDatabaseError(q.lastError().text());
    }
    QVariant value(const QString &sql) const
    {
        QSqlQuery q(QSqlDatabase::database(m_name));
        q.exec(sql);
        return q.next() ? q.value(0) : QVariant();
    }

private:
    QString m_name;
};
