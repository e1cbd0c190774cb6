#pragma once

#include "uTicketEdits.h"

#include <QString>
#include <QWidget>

class QAction;
class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class TDBLookupComboboxEh;
class TDataSource;
class TKyv_ADODataSet;
class TKyv_ClientDataSet;
class TKyv_DBGridEh;
class TMemTable;
class TfrDBDataSet;
class TfrReport;

// The service tickets of the shared selection period, filtered by state and field team, with an edit page that
// changes one ticket through TDMR::updateTicket, and the prints of the list and the work orders. A child window
// of the main window; it loads its data on AMRunQuery.
class TfrmTickets : public QWidget, public TTicketEdits
{
    Q_OBJECT
public:
    explicit TfrmTickets(QWidget *parent = nullptr);
    ~TfrmTickets() override;

    // Reads the list of the period again with the filters of the settings.
    void reopenDocuments();
    void checkBtns();
    QString PeriodCaption() const { return m_periodCaption; }

    QStackedWidget *pcMain = nullptr;
    QWidget *tsList = nullptr;
    QWidget *tsEdit = nullptr;
    QLabel *lblPeriod = nullptr;
    QCheckBox *cbFilterSignPlan = nullptr;
    QCheckBox *cbFilterSignProgress = nullptr;
    QCheckBox *cbFilterSignDone = nullptr;
    QCheckBox *cbFilterSignCancel = nullptr;
    TDBLookupComboboxEh *lcbTeamFilter = nullptr;
    TKyv_DBGridEh *dbgTickets = nullptr;

    TKyv_ClientDataSet *odsTickets = nullptr;
    TDataSource *dsTickets = nullptr;
    TKyv_ADODataSet *odsTeamFilter = nullptr;
    TKyv_ADODataSet *odsTeam = nullptr;
    TMemTable *mdTempDataSet = nullptr;
    TDataSource *dsTempDataSet = nullptr;
    TfrReport *frTickets = nullptr;
    TfrDBDataSet *frDBDataSetodsTickets = nullptr;
    TfrDBDataSet *frDBDataSetTicket = nullptr;

    QRadioButton *rbCancel = nullptr;
    QRadioButton *rbPlan = nullptr;
    QRadioButton *rbInWork = nullptr;
    QRadioButton *rbDone = nullptr;
    QPushButton *btnSave = nullptr;
    QPushButton *btnCancel = nullptr;

    QAction *actTicketsEdit = nullptr;
    QAction *actTicketsRefresh = nullptr;
    QAction *actTicketsSetPeriod = nullptr;
    QAction *actPeriodAll = nullptr;
    QAction *actPeriodToday = nullptr;
    QAction *actPeriodYesterday = nullptr;
    QAction *actPeriodMonth = nullptr;
    QAction *actPeriodYear = nullptr;
    QAction *actFilterSignPlan = nullptr;
    QAction *actFilterSignProgress = nullptr;
    QAction *actFilterSignDone = nullptr;
    QAction *actFilterSignCancel = nullptr;
    QAction *actTicketsBrowseMode = nullptr;
    QAction *actApply = nullptr;
    QAction *actSelectTeam = nullptr;
    QAction *actReportTickets = nullptr;
    QAction *actReportDesign = nullptr;
    QAction *actPrintTicket = nullptr;
    QAction *actPrintTickets = nullptr;
    QAction *actDesignTicket = nullptr;

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void CreateActions();
    void CreateListPage();
    void CreateEditPage();
    void CreateReports();
    void RunQuery();
    void updateCapton();
    void FilterChanged(QCheckBox *box, bool &setting);
    void TeamFilterChanged();
    void SetPeriodPreset(int kind);
    void actTicketsSetPeriodExecute();
    void actTicketsEditExecute();
    void actApplyExecute();
    // Writes the edit page into the current ticket; false, with what was typed kept, when a planned time is
    // missing or the database refused the change.
    bool SaveTicket();
    void CancelClick();
    void actTicketsBrowseModeExecute();
    void closeEditPageDataSets();
    void closeDataSets();
    // Loads the template into the list report and previews it, or opens the designer; the work-order prints
    // walk the current ticket only unless `allTickets`.
    void PrintReport(const QString &templateName, bool design, bool allTickets);
    bool ListHasRows() const;
    int CheckedState() const;
    QStringList EditPageValues();

    QString m_periodCaption;
    bool m_loading = false;
    // What the edit page showed of its ticket when it was opened: a close with anything else asks first.
    QStringList m_editStartValues;
};
