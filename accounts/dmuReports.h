#pragma once

#include <QDate>
#include <QObject>
#include <QString>
#include <QVariant>

#include <map>
#include <memory>

class Dialect;
class TDM;
class TDMR;
class TcustDM;
class TDataSet;
class TDataSetProvider;
class TfrReport;
class TfrDBDataSet;
class TfrDesigner;
class TfrRTFExport;
class TfrCSVExport;
class TKyv_ADODataSet;
class TKyv_ClientDataSet;

// The cash order's sum in words: the whole roubles with "рубль" in the form the number requires.
QString PaymentSumInWords(double sum);
// The account as the cash order prints it: "SKT" followed by the account number.
QString SktAccountText(const QString &accountNo);
// "Подключено на " + the date in the user's short date format.
QString ConnectedOnText(const QDate &date);

// The statement of each customer's charge for the report period, with its eight date macros; the day count
// is spelled for the engine of `dialect`.
QString SumLookupStatement(const Dialect *dialect);

// How a report is shown: the preview as an MDI child (the call returns at once), the preview as a modal
// window, or the template designer, modal.
enum class TReportShow { MDIPreview, ModalPreview, Designer };

// The reports module: every printed document of the program is a template of the template folder filled from
// the datasets held here. It owns the report components and their report datasets, fills the period texts and
// the amounts in words before printing, and prints or designs the cash order, the contract, the receipt and
// the service request of one customer. Windows that print load a template into one of these components (or
// one of their own) through ShowReport, which reports a missing template instead of previewing nothing.
class TdmReports : public QObject
{
    Q_OBJECT
public:
    explicit TdmReports(TDM *dm, TDMR *dmr, TcustDM *cust, QObject *parent = nullptr);
    ~TdmReports() override;

    // ---- Template folder
    // The folder of the templates, with a trailing "/": the one the main window computed (the "bin" segment of
    // the program folder replaced by "fr_forms", or TARVIK_TEMPLATES), unless SetTemplateFolder chose another.
    QString TemplateFolder() const;
    void SetTemplateFolder(const QString &folder);
    // The folder followed by the file name.
    QString TemplatePath(const QString &fileName) const;
    // The five customer documents: "uh/" + name when MAIN_CFG.REPORT_LOCALE is 1 and that file exists, else the
    // plain name.
    QString LocalizedTemplatePath(const QString &fileName) const;

    QString getPayDocKO1Path() const;
    QString getContractPath() const;
    QString getReceiptPath() const;
    QString getPayKvitPath() const;
    QString getRequestPath() const;

    // ---- Customer documents: the dataset closed, its one parameter set, the template loaded, then the
    // designer (modal) or the MDI preview.
    void designPayDocKO1(const QVariant &paymentId);
    void printPayDocKO1(const QVariant &paymentId);
    void designContract(const QVariant &customerId);
    void printContract(const QVariant &customerId);
    void designReceipt(const QVariant &customerId);
    void printReceipt(const QVariant &customerId);
    void designRequest(const QVariant &customerId);
    void printRequest(const QVariant &customerId);

    // Lays the current user's balance lines (TDMR::FillCustBalance) out in DMR.mdsBalanceReport: one row per
    // income or charge line of the longer side of each group, the group's caption on its first row. The
    // customer they belong to is read into odsBalanceCustomer (ACCOUNT_NO, FIO), which the template names.
    void prepareCustomerBalanceReport();

    // ---- Showing a report
    // Loads the template at `path` into `report` and shows it as asked. A template file that does not exist is
    // reported ("Не найден шаблон отчета " + path) and logged, and nothing is shown; so is a file the engine could
    // not read (the engine reports that). The answer says whether the report was shown.
    bool ShowReportFile(TfrReport *report, const QString &path, TReportShow how);
    // The same for a template of the template folder, by its plain name.
    bool ShowReport(TfrReport *report, const QString &fileName, TReportShow how);
    // The designer in debug mode, the MDI preview otherwise: how the reports menu shows its reports.
    static TReportShow PreviewOrDesigner();
    // The period caption of the connection reports, followed, when a package is chosen in DM.mdTempCFG.SERV_ID
    // and has a description, by two blanks and the package in quotes: "  \"Пакет\" пакет услуг".
    QString PackagePeriodCaption(const QDate &from, const QDate &to) const;

    // ---- Components by name ("frRepNewActivCustomers", "frdsRepNewActivCustomers", "cdsRepNewActivCustomers",
    // "odsContract"); null when there is none.
    TfrReport *Report(const QString &name) const;
    TfrDBDataSet *ReportDataSet(const QString &name) const;
    TDataSet *DataSet(const QString &name) const;

    TfrReport *frRepNewActivCustomers() const { return Report(QStringLiteral("frRepNewActivCustomers")); }
    TfrReport *frRepMainState() const { return Report(QStringLiteral("frRepMainState")); }
    TfrReport *frDisactByPeriodCustomers() const { return Report(QStringLiteral("frDisactByPeriodCustomers")); }
    TfrReport *frReportPaymentsByServ() const { return Report(QStringLiteral("frReportPaymentsByServ")); }
    TfrReport *frCustomerBalance() const { return Report(QStringLiteral("frCustomerBalance")); }
    TfrReport *frReportPayDocKO1() const { return Report(QStringLiteral("frReportPayDocKO1")); }
    TfrReport *frReportContract() const { return Report(QStringLiteral("frReportContract")); }
    TfrReport *frReportReceipt() const { return Report(QStringLiteral("frReportReceipt")); }
    TfrReport *frRepCustomers() const { return Report(QStringLiteral("frRepCustomers")); }
    TfrReport *frRepCusLetters() const { return Report(QStringLiteral("frRepCusLetters")); }
    TfrReport *frReportCustPayKvit() const { return Report(QStringLiteral("frReportCustPayKvit")); }

    TKyv_ClientDataSet *cdsRepNewActivCustomers() const;
    TKyv_ClientDataSet *cdsRepMainState() const;
    TKyv_ClientDataSet *cdsDisactByPeriodCustomers() const;
    TKyv_ClientDataSet *cdsRepCustSumLookup() const;
    TKyv_ADODataSet *odsPayDocPaymentKO1() const;
    TKyv_ADODataSet *odsContract() const;
    TKyv_ADODataSet *odsReceipt() const;

    // The export filters the preview offers while the module exists.
    TfrRTFExport *frRTFExport() const { return m_rtfExport.get(); }
    TfrCSVExport *frCSVExport() const { return m_csvExport.get(); }

private:
    void CreateDataSets();
    void CreateReports();
    TfrReport *AddReport(const QString &name, const QString &dataSetName, TDataSet *dataSet);
    void PrintDocument(TfrReport *report, TDataSet *dataSet, const QString &paramName, const QVariant &value,
        const QString &path, TReportShow how);
    void SetSumLookupPeriod();

    TDM *m_dm;
    TDMR *m_dmr;
    // The designer's options: owning them links the real designer in, so that debug mode opens it.
    std::unique_ptr<TfrDesigner> m_designer;
    TcustDM *m_cust;
    QString m_templateFolder;
    std::map<QString, std::unique_ptr<TKyv_ClientDataSet>> m_clients;
    std::map<QString, std::unique_ptr<TKyv_ADODataSet>> m_servers;
    std::map<QString, std::unique_ptr<TDataSetProvider>> m_providers;
    std::map<QString, std::unique_ptr<TfrReport>> m_reports;
    std::map<QString, std::unique_ptr<TfrDBDataSet>> m_reportDataSets;
    std::unique_ptr<TfrRTFExport> m_rtfExport;
    std::unique_ptr<TfrCSVExport> m_csvExport;
};

extern TdmReports *dmReports;
