#pragma once

#include <QWidget>

class QAction;
class QComboBox;
class QPlainTextEdit;
class QPushButton;
class TDBDateTimeEditEh;
class TDBLookupComboboxEh;
class TDataSource;

// The CAS console: a child window that builds one of the protocol's commands from the chosen card, provider,
// package and dates of the CAS module's command record, sends it and logs the request and the reply.
class TfrmCASConsole : public QWidget
{
    Q_OBJECT
public:
    explicit TfrmCASConsole(QWidget *parent = nullptr);
    ~TfrmCASConsole() override;

    QPlainTextEdit *memoLog = nullptr;
    QComboBox *cbCommand = nullptr;
    TDataSource *dsCASCFG = nullptr;
    TDataSource *dsSmartCard = nullptr;
    TDataSource *dsProvider = nullptr;
    TDataSource *dsPackage = nullptr;
    TDBLookupComboboxEh *cbSmartCard = nullptr;
    TDBLookupComboboxEh *cbProvider = nullptr;
    TDBLookupComboboxEh *cbPackage = nullptr;
    TDBDateTimeEditEh *edDateFrom = nullptr;
    TDBDateTimeEditEh *edDateTo = nullptr;
    QPushButton *btnSmartCard = nullptr;
    QPushButton *btnProvider = nullptr;
    QPushButton *btnPackage = nullptr;
    QAction *actSendCommand = nullptr;

    // Greys every input, then enables those the chosen command uses and sets its code in the record.
    void CommandChange();
    void actSendCommandExecute();
    // A log line: the current date and time, a blank and the message.
    void AddLog(const QString &message);

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void openData();
    // Writes the named picker's choice for the record's field into the record.
    void pick(const QString &picker, const char *field);
    // Puts the lookup lists on the record's choices, which are what the request is built from.
    void followRecord();
};

// The CAS windows' registrations; the program calls it once at start.
void RegisterCasForms();
