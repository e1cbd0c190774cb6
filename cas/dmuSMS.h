#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

#include <memory>

class QTcpSocket;
class TKyv_ADODataSet;
class TMemTable;

// The data module of the CAS link: the one TCP connection to the conditional-access server, used on the
// interface thread with blocking calls bounded by the response time-out. One request is written at a time
// and one reply read for it. Socket errors never raise: they only change the CAS status text of the main
// window. The module registers the main window's CAS commands while it lives.
class TdmSMS : public QObject
{
public:
    explicit TdmSMS(QObject *parent = nullptr);
    ~TdmSMS() override;

    // Whether the socket is open afterwards. An empty host opens nothing; a port that is not a number from
    // 1 to 65535 raises EConvertError.
    bool connectCas(const QString &host, const QString &port);
    void reconnectCas(const QString &host, const QString &port);
    void closeCas();
    bool IsOpen() const;

    // The reply to one request: empty when the socket is closed, on time-out, or when the connection fails
    // meanwhile. Input still pending from an earlier exchange is thrown away first, so a late reply is never
    // taken for this one. The reply is read until its status code has come (12 characters), 255 characters
    // or a NUL have come, or the time-out passes; it ends before the first NUL and is at most 255 long.
    QString sendCasRequest(const QString &request);

    // The request for the console's command record: "0100" the test, "0201" card activation, "0203" card
    // block, "0301" package authorisation, "0302" package block, with the card, provider and package of
    // the three lookups' current rows and the record's dates; any other code gives an empty text. The
    // command code written is the one asked for.
    QString buildCasCommand(const QString &code);
    // The console's one command record, in edit state once opened.
    TMemTable *mdCASCFG() const { return m_mdCASCFG.get(); }
    void OpenCASCFG();
    TKyv_ADODataSet *rdsCASCFGSmartCardLookup() const { return m_smartCards.get(); }
    TKyv_ADODataSet *rdsDTVProviderLookup() const { return m_providers.get(); }
    TKyv_ADODataSet *rdsDTVPackageLookup() const { return m_packages.get(); }

    // Whether the host answers; the CAS port serves as the fallback probe where ICMP is not allowed.
    static bool pingHost(const QString &host);

    // The main window's commands.
    void actConnectToCASServer();
    void actReConnectToCASServer();
    void actTestCASConnection();

    // The activity-journal id passed with every state change.
    QVariant JournalId = -1;

private:
    void setStatus(const QString &text, const char *source);
    QString endpoint() const;
    void discardPendingInput();

    void createCommandRecord();

    QTcpSocket *m_socket;
    std::unique_ptr<TMemTable> m_mdCASCFG;
    std::unique_ptr<TKyv_ADODataSet> m_smartCards;
    std::unique_ptr<TKyv_ADODataSet> m_providers;
    std::unique_ptr<TKyv_ADODataSet> m_packages;
    QString m_host;
    quint16 m_port = 7000;
};

extern TdmSMS *dmSMS;
