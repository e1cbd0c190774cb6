#pragma once

#include "Kyv_db.h"

#include <QObject>

#include <map>
#include <memory>

class TDM;
class TDMR;
class TDataSource;

// The text with every bare word "sysdate" outside quotes spelled as the connection's engine spells the current
// date and time; the list's conditions are kept in the one spelling the filter builds.
QString SpellSysdate(const QString &text, const QString &engineSysdate);

// Proper case of a name: the first letter of every word upper case, the others lower case; words are separated
// by blanks or the character 0 only, so "иванова-петрова" becomes "Иванова-петрова".
QString ProperCaseName(const QString &text);

// The data module of the subscriber card: the customer list, one detail dataset per page of the card, and the
// lookups of the card, the customer filter and the payment dialog. It owns the rules that hold for every
// customer row whatever window edits it: a new row's defaults, names normalised before a post, the customer
// code, the open-ended contract, the account-number counter, and the apply-and-commit after every change.
// The windows use its components by name; it has no operations of its own.
class TcustDM : public QObject
{
    Q_OBJECT
public:
    explicit TcustDM(TDM *dm, TDMR *dmr, QObject *parent = nullptr);
    ~TcustDM() override;

    // A client dataset by name ("cdsCustomer"), a server dataset ("odsCustPayment") or a data source
    // ("dsCustomer"); null when there is none.
    TKyv_ClientDataSet *ClientDataSet(const QString &name) const;
    TKyv_ADODataSet *ServerDataSet(const QString &name) const;
    TDataSource *DataSource(const QString &name) const;

    TKyv_ClientDataSet *cdsCustomer() const { return ClientDataSet(QStringLiteral("cdsCustomer")); }
    TDataSource *dsCustomer() const { return DataSource(QStringLiteral("dsCustomer")); }

    // The list's condition while no customer filter applies: live contracts only.
    static QString LiveContractsCondition();

private:
    TKyv_ClientDataSet *AddClient(const QString &name, const QString &provider, const QString &commandText = {});
    // With `followsCustomer` the dataset reads the current customer's rows (its :CUSTOMER_ID) on every move.
    TKyv_ADODataSet *AddServer(const QString &name, const QString &commandText, bool followsCustomer = false);
    TDataSource *AddSource(const QString &name, TDataSet *dataSet, bool autoEdit = true);
    void LinkDetail(TKyv_ClientDataSet *detail, const QString &masterSource, const QString &masterFields);

    void CreateCustomer();
    void CreateDetails();
    void CreateLookups();
    void InstallDefaults();
    void InstallApplyRules();

    void CustomerBeforePost();
    void SubscrServHistBeforePost(TDataSet *ds);
    void CustFiltHouseNoBeforeOpen(TDataSet *ds);

    // The work date of the filter record (its time of day with `keepTime`).
    QDateTime WorkDate(bool keepTime = false) const;
    QVariant CurrentCustomer() const;

    TDM *m_dm;
    TDMR *m_dmr;
    std::map<QString, std::unique_ptr<TKyv_ClientDataSet>> m_clients;
    std::map<QString, std::unique_ptr<TKyv_ADODataSet>> m_servers;
    std::map<QString, std::unique_ptr<TDataSource>> m_sources;
    quint64 m_openStart = 0;
};

extern TcustDM *custDM;
