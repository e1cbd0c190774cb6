#pragma once

#include <QList>
#include <QSqlRecord>
#include <QSqlResult>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <list>
#include <memory>
#include <unordered_map>
#include <vector>

// The statements of one connection (used by the connection only). A text is split around its parameters once,
// prepared once and kept in a small cache keyed by the text, and every value is bound to the engine as a value:
// none is ever written into the statement text.

// A command text cut around its ":NAME" and "?" parameters (an empty name): pieces has one more entry than
// names. Quoted texts, quoted names, comments, dollar-quoted bodies and "::" casts are left alone.
struct SplitStatement
{
    QStringList pieces;
    QStringList names;
};
SplitStatement splitParameters(const QString &text);

// A parameter value as the engine receives it.
struct BoundValue
{
    enum Kind { Null, Integer, Float, Text, Date, Bytes };
    Kind kind = Null;
    // For a null, the kind its parameter is declared with (Null when it declares none).
    Kind declared = Null;
    // qlonglong, double, QString (a date as 'YYYY-MM-DD HH:MM:SS') or QByteArray.
    QVariant value;
};

// The rows of a statement, each a vector of its columns' values, as a dataset stores them.
using ResultRows = std::vector<std::vector<QVariant>>;

// A finished statement's rows, all read: the connection answers it inside a QSqlQuery. A dataset that opens on
// it takes the rows themselves, so that a value is made once, by the engine, and never copied on its way.
class RowsResult : public QSqlResult
{
public:
    RowsResult(const QSqlDriver *driver, QSqlRecord record, ResultRows rows, int rowsAffected);

    // The rows, moved out: the result holds none afterwards.
    ResultRows takeRows();

protected:
    QVariant data(int i) override;
    bool isNull(int i) override;
    bool reset(const QString &) override { return false; }
    bool fetch(int i) override;
    bool fetchFirst() override { return fetch(0); }
    bool fetchLast() override { return fetch(int(m_rows.size()) - 1); }
    int size() override { return isSelect() ? int(m_rows.size()) : -1; }
    int numRowsAffected() override { return m_rowsAffected; }
    QSqlRecord record() const override { return m_record; }

private:
    QSqlRecord m_record;
    ResultRows m_rows;
    int m_columns = 0;
    int m_rowsAffected = -1;
};

class StatementCache
{
public:
    // How many texts stay prepared; the least recently used goes first.
    static constexpr int Capacity = 64;

    // A text as the cache keeps it: the engine's text with numbered markers, and for each marker the
    // parameter name it takes (empty: the next positional value).
    struct Text
    {
        QString engineText;
        QStringList slotNames;
        // Statements other than queries and row changes run once, unprepared; those that change the schema
        // also empty the cache.
        bool cacheable = false;
        bool changesSchema = false;
    };

    virtual ~StatementCache() = default;
    // `prepareCount` counts every statement the engine prepares through this cache.
    static std::unique_ptr<StatementCache> forSqlite(const QSqlDriver *driver, int &prepareCount);
    static std::unique_ptr<StatementCache> forPostgres(const QSqlDriver *driver, int &prepareCount);

    // The text split and numbered, from the cache when it is there.
    std::shared_ptr<const Text> text(const QString &commandText);
    // Runs a text with one value per slot; answers every row read, or raises EDatabaseError with the engine's
    // message.
    RowsResult *run(const QString &commandText, const Text &text, const QList<BoundValue> &values);
    // Forgets every prepared statement (the schema changed, or the connection is going).
    void clear();

protected:
    // What an engine keeps of one prepared text.
    struct Prepared
    {
        virtual ~Prepared() = default;
    };
    struct Entry
    {
        std::shared_ptr<const Text> text;
        std::unique_ptr<Prepared> prepared;
        std::list<QString>::iterator recency;
    };

    StatementCache(const QSqlDriver *driver, int &prepareCount, QChar marker);
    virtual RowsResult *execute(const Text &text, std::unique_ptr<Prepared> &prepared, bool keep,
                                const QList<BoundValue> &values) = 0;
    // Called with every prepared statement the cache lets go of.
    virtual void release(std::vector<std::unique_ptr<Prepared>> prepared) = 0;

    const QSqlDriver *m_driver;
    int &m_prepareCount;

private:
    Entry &entry(const QString &commandText);

    QChar m_marker;
    std::unordered_map<QString, Entry> m_entries;
    std::list<QString> m_recency;
};
