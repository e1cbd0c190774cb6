#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class Dialect;

// The database's structure as data: every table with its columns in the declared (server-neutral) types, the
// step of the structure upgrade that brings each table or column in, the keys, indexes, foreign keys, views and
// seed rows. A new database is made by creating the tables of step 0 with their seed rows and then running the
// upgrade, so a fresh schema and an upgraded one come out of the same statements.
namespace DbSchema {

// The structure version the upgrade stamps (module 1).
inline const QString CurrentVersion = QStringLiteral("202002112155");
// The one sequence of the schema: customer letters take their keys from it.
inline const QString LetterSequence = QStringLiteral("CustLetterId_Seq");

struct Column
{
    QString name;
    QString type;         // as declared: VARCHAR2(n), NUMBER(p,s), NUMBER, DATE, INTEGER, CHAR(1)
    QString defaultValue; // an SQL literal, or empty
    bool notNull = false;
    int step = 0;         // the upgrade step that adds the column; 0 = with its table
};

struct Table
{
    QString name;
    int step = 0; // the upgrade step that creates the table; 0 = before the upgrade history
    QList<Column> columns;
    QString primaryKeyName;
    QStringList primaryKey;

    const Column *column(const QString &name) const;
};

struct Index
{
    QString name;
    QString table;
    QString columns;
};

struct ForeignKey
{
    QString name;
    QString table;
    QString columns;
    QString refTable;
    QString refColumns;
};

const QList<Table> &tables();
const Table &table(const QString &name);
const QList<Index> &indexes();
// The indexes made with the tables that predate the upgrade history: the accounting engine reads payments,
// connection periods, subscriptions, single services and discount factors by customer, and works off its queue
// by customer; the cabinet signs in by account number.
const QStringList &baseIndexNames();
const QList<ForeignKey> &foreignKeys();

// The engine's definition of one column ("PHONE_NO varchar(20)", with its default and NOT NULL).
QString columnDefinition(const Dialect &dialect, const Column &column);
// CREATE TABLE with the columns that come with the table and its primary key.
QString createTableStatement(const Dialect &dialect, const Table &table);
QString addColumnStatement(const Dialect &dialect, const QString &table, const QString &column);
QString createIndexStatement(const Dialect &dialect, const QString &name);
// Empty where the engine cannot add a foreign key to an existing table.
QString addForeignKeyStatement(const Dialect &dialect, const QString &name);

struct View
{
    QString name;
    QString body; // unqualified: a view must not name the schema (the embedded engine attaches it by name)
};
const QList<View> &views();

// The rows the windows and the engine assume in a new database, inserted right after the tables of step 0.
QStringList baseSeedStatements();
// An SQL date literal for the stored form on both engines ("4712-12-31 00:00:00").
QString dateLiteral(int year, int month, int day);

} // namespace DbSchema
