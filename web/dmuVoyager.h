#pragma once

#include "AdoConnection.h"

#include <QObject>
#include <QString>

#include <memory>

// The link to the outside "Voyager" database, whose table `suser` marks a subscriber's account disabled or
// not. It has a connection of its own through an ODBC data source, used on the interface thread only. The
// module registers the main window's connect command while it lives.
class TdmVoyager : public QObject
{
public:
    explicit TdmVoyager(QObject *parent = nullptr);
    ~TdmVoyager() override;

    TADOConnection *dbVoyager() const { return m_connection.get(); }

    // `dataSource` is a data-source name, or a whole ODBC connection string when it holds "=".
    void setVoyagerConnection(const QString &user, const QString &password, const QString &dataSource);

    // Whether the account exists; a non-numeric id, a bad schema name or a database error raises.
    bool voyagerUserExists(const QString &id);
    // 255 when the account does not exist or its flag cannot be read; otherwise 1 when disabled, 0 when not.
    // Errors of the existence check raise.
    quint8 getVoyagerUserDisabled(const QString &id);
    // True on success, an id without a row included. A failed update is rolled back and answers false.
    bool setVoyagerUserDisabled(const QString &id, bool disabled);

    // The main window's command.
    void actConnectToVoyager();

private:
    void installTrace();
    // The schema of the settings, when it is a plain name: letters, digits and "_".
    static QString checkedSchema();

    std::unique_ptr<TADOConnection> m_connection;
    quint64 m_executeStart = 0;
};

extern TdmVoyager *dmVoyager;
