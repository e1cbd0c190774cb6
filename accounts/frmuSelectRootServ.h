#pragma once

#include <QDialog>

#include <memory>

class QPushButton;
class TDBLookupComboboxEh;
class TDataSource;
class TKyv_ADODataSet;

// The package picker of the statistical reports ("В разрезе пакета услуг"): one lookup of the top-level
// services, "Все" among them, bound to the filter record's SERV_ID.
class TfrmSelectRootServ : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmSelectRootServ(QWidget *parent = nullptr);
    ~TfrmSelectRootServ() override;

    TDBLookupComboboxEh *lcbServ = nullptr;
    QPushButton *btnOk = nullptr;

private:
    std::unique_ptr<TDataSource> m_dsServ, m_dsTempCFG;
};

// The list the picker offers (held by the reports module): every top-level service, the one without a description shown as "Все".
TKyv_ADODataSet *odsCustFilterServLookup();

// Reopens the list of top-level services and, only when there is more than one package, lets the user choose
// one into DM.mdTempCFG.SERV_ID; a negative value there means every package. Always true: the choice, whether
// changed or not, stays for the next reports.
bool executeSelectRootServ();
