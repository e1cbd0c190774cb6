#pragma once

#include <QWidget>

class QAction;
class QPlainTextEdit;
class QStatusBar;
class TDBGridEh;
class TDataSource;
class TKyv_ADODataSet;

// The SQL console of debug mode: a statement typed in the memo is opened into the grid or run as a script on
// the main connection; the status bar tells how long it took or why it failed.
class TfrmTestSql : public QWidget
{
    Q_OBJECT
public:
    explicit TfrmTestSql(QWidget *parent = nullptr);
    ~TfrmTestSql() override;

    QPlainTextEdit *memoSql = nullptr;
    TDBGridEh *grdResult = nullptr;
    QStatusBar *StatusBar1 = nullptr;
    QAction *actOpenQry = nullptr;
    QAction *actExecuteQry = nullptr;
    TKyv_ADODataSet *odsQuery = nullptr;
    TDataSource *dsQuery = nullptr;

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void actOpenQryExecute();
    void actExecuteQryExecute();
    void closeQuery();
    void setStatus(const QString &text);
    void failed(const QString &message);
};

// Registers the console's window class.
void RegisterTestSqlForm();
