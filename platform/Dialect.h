#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

class TADOConnection;

// Every spelling that differs between the engines tarvik runs on. Statements are otherwise written in the
// subset both take. Table names are given without the schema; identifiers come from the program, never from
// typed text, and are checked (a name that is not a plain identifier raises EDatabaseError). An empty
// statement from a DDL form means the engine has nothing to run for it.
class Dialect
{
public:
    enum class Engine { SQLite, PostgreSQL };

    virtual ~Dialect() = default;
    static std::unique_ptr<Dialect> create(Engine engine);

    virtual Engine engine() const = 0;
    // Both engines are "other" to the program's server-specific branches.
    int dbmsKind() const { return 0; }

    // Statements run on every new connection, after the engine-specific setup.
    virtual QStringList sessionInit() const = 0;
    // Statements that make the schema itself and its helper functions, before any table.
    virtual QStringList createSchemaStatements() const = 0;
    virtual QStringList createSequenceStatements(const QString &name) const = 0;

    // Text pieces.
    QString limit1() const { return QStringLiteral(" LIMIT 1"); }
    virtual QString sysdate() const = 0;
    virtual QString doubleType() const = 0;
    virtual QString daysBetween(const QString &later, const QString &earlier) const = 0;
    virtual QString addDays(const QString &date, const QString &days) const = 0;
    virtual QString truncDate(const QString &date) const = 0;
    // Optimizer hints only mean something to the server the statements were first written for.
    QString optimizerHint(const QString &) const { return {}; }
    // The engine's column type for a type as the schema declares it (VARCHAR2(n), NUMBER(p,s), DATE, ...).
    virtual QString columnType(const QString &declared) const = 0;
    // A text literal with its quotes doubled.
    static QString quoteText(const QString &text);

    // Empty when the engine has no accounts to change.
    virtual QString changePasswordStatement(const QString &userName, const QString &password) const = 0;

    // DDL forms.
    QString addColumn(const QString &table, const QString &column, const QString &definition) const;
    virtual QString modifyColumn(const QString &table, const QString &column, const QString &declaredType) const = 0;
    virtual QString addForeignKey(const QString &table, const QString &name, const QString &columns,
                                  const QString &refTable, const QString &refColumns) const = 0;
    // Does nothing when the index exists, so that an upgrade can make sure of an index more than once.
    virtual QString createIndex(const QString &name, const QString &table, const QString &columns) const = 0;
    QStringList createOrReplaceView(const QString &name, const QString &body) const;

    // Catalogue questions, asked on an open connection.
    virtual bool tableExists(TADOConnection &connection, const QString &table) const = 0;
    bool columnExists(TADOConnection &connection, const QString &table, const QString &column) const;
    // The declared width of a text column or the precision of a number; 0 without one, -1 when missing.
    virtual int columnWidth(TADOConnection &connection, const QString &table, const QString &column) const = 0;
    virtual bool constraintExists(TADOConnection &connection, const QString &table, const QString &name) const = 0;
    // The next value of a sequence; null when the sequence is unknown.
    virtual QVariant nextSequenceValue(TADOConnection &connection, const QString &name) const = 0;

protected:
    static QString checkedIdentifier(const QString &name);
    static QString checkedColumnList(const QString &columns);
};
