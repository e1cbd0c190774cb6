#include "frmuCustPayments.h"

#include "DBLookupEh.h"
#include "DataSource.h"
#include "FormClasses.h"
#include "Guard.h"
#include "KyvFrames.h"
#include "Kyv_DBGridEh.h"
#include "Kyv_db.h"
#include "ScreenCursor.h"
#include "WindowMessages.h"
#include "dmuCust.h"
#include "dmuDM.h"
#include "dmuReports.h"
#include "frmuMain.h"
#include "frmuPeriod.h"
#include "uCommon.h"
#include "uPaymentWindows.h"
#include "uLog.h"
#include "uPayDoc.h"
#include "uPaymentPrints.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

TDataSet *channelList()
{
    return custDM ? custDM->ClientDataSet(QStringLiteral("cdsCustPaymentsSourceList")) : nullptr;
}

} // namespace

TfrmCustPayments::TfrmCustPayments(QWidget *parent)
    : QWidget(parent)
    , m_cds(std::make_unique<TKyv_ClientDataSet>())
    , m_ds(std::make_unique<TDataSource>())
    , m_dsSources(std::make_unique<TDataSource>())
{
    setObjectName(QStringLiteral("frmCustPayments"));
    setWindowTitle(QStringLiteral("Платежи "));
    setToolTip(QStringLiteral("Выборка по платежам клиентов за заданный период"));
    setAttribute(Qt::WA_DeleteOnClose);
    setProperty("HelpContext", 5200);
    m_cds->setObjectName(QStringLiteral("cdsCustPayments"));
    m_cds->SetDataProvider(DM ? DM->Provider(QStringLiteral("dspCustPayments")) : nullptr);
    m_cds->SetReadOnly(true);
    m_ds->SetDataSet(m_cds.get());
    m_dsSources->SetDataSet(channelList());

    actPeriod = MakeWindowAction(this, "actPeriod", QStringLiteral("Период отбора"), {}, [this] {
        if (executePeriodDialog(SelectionPeriodFrom, SelectionPeriodTo))
            Reopen();
    });
    actFilter
        = MakeWindowAction(this, "actFilter", QStringLiteral("Активизировать фильтр"), {}, [this] { FilterChanged(); });
    actFilter->setCheckable(true);
    actFilter->setToolTip(QStringLiteral("Активизировать фильтр отбора по условию"));
    actPrint = MakeWindowAction(this, "actPrint", QStringLiteral("Печать"), {}, [this] {
        if (dmReports)
            dmReports->ShowReport(m_report, QStringLiteral("ВыборкаПоПлатежамЗаПериод.frf"),
                IsDebugMode() ? TReportShow::Designer : TReportShow::MDIPreview);
    });
    m_report = MakePaymentsReport(this, m_cds.get(), QStringLiteral("cdsCustPayments"), [this] {
        const QVariant channel = ChosenChannel();
        const bool filtered = actFilter->isChecked() && !channel.isNull() && channel.isValid();
        TDataSet *list = channelList();
        const QString name = filtered && list && list->Active()
            ? list->Lookup(QStringLiteral("PAYSOURCE_ID"), channel, QStringLiteral("PAYSOURCE_DESCR")).toString()
            : QString();
        return PaymentsPeriodMemo(filtered, name);
    });
    actClose = MakeWindowAction(this, "actClose", QStringLiteral("Закрыть"), {}, [this] { close(); });

    auto *bar = new QToolBar(this);
    bar->addActions({ actPeriod, actFilter, actPrint, actClose });
    lcbPaySource = new TDBLookupComboboxEh(this);
    lcbPaySource->setObjectName(QStringLiteral("lcbPaySource"));
    lcbPaySource->SetListSource(m_dsSources.get());
    lcbPaySource->SetKeyField(QStringLiteral("PAYSOURCE_ID"));
    lcbPaySource->SetListField(QStringLiteral("PAYSOURCE_DESCR"));
    lcbPaySource->OnChange = [this](QObject *) {
        guard([this] {
            if (DM && DM->mdTempCFG()->Active()) {
                TDataSet *temp = DM->mdTempCFG();
                if (temp->State() != dsEdit && temp->State() != dsInsert)
                    temp->Edit();
                temp->FieldByName(QStringLiteral("PAYSOURCE_ID"))->SetValue(lcbPaySource->KeyValue());
            }
            if (actFilter->isChecked())
                Reopen();
        });
    };
    SearchFrame = new TSearchFrame(this);
    SearchFrame->setObjectName(QStringLiteral("SearchFrame"));
    SearchFrame->edtSearch->installEventFilter(this);
    connect(SearchFrame->edtSearch, &QLineEdit::textChanged, this,
        guarded([this](const QString &) { m_cds->LocateByEdit(SearchFrame->edtSearch); }));
    auto *top = new QHBoxLayout;
    top->addWidget(bar);
    top->addWidget(lcbPaySource, 1);
    top->addWidget(SearchFrame, 1);

    dbgCustPayments = new TKyv_DBGridEh(this);
    dbgCustPayments->setObjectName(QStringLiteral("dbgCustPayments"));
    dbgCustPayments->SetReadOnly(true);
    dbgCustPayments->SetOptionsEh(dbgCustPayments->OptionsEh() | dghAutoSortMarking);
    AddGridColumns(dbgCustPayments,
        { { "PAY_DATE", "Дата", 80, fvtNon }, { "ACCOUNT_NO", "Лиц. счет", 80, fvtNon },
            { "FIO", "Ф И О", 180, fvtNon }, { "PAY_SUM", "Сумма", 80, fvtNon }, { "PAY_DOC_NO", "№ док", 60, fvtNon },
            { "PAY_DOC_DATE", "Дата док", 80, fvtNon }, { "PAYSOURCE_DESCR", "Источник", 120, fvtNon },
            { "SERV_DESCR", "Цель платежа", 140, fvtNon } });
    dbgCustPayments->SetDataSource(m_ds.get());
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(top);
    layout->addWidget(dbgCustPayments, 1);
    resize(900, 500);
}

TfrmCustPayments::~TfrmCustPayments()
{
    m_cds->Close();
}

QVariant TfrmCustPayments::ChosenChannel() const
{
    if (DM && DM->mdTempCFG()->Active() && !DM->mdTempCFG()->IsEmpty())
        return DM->mdTempCFG()->FieldByName(QStringLiteral("PAYSOURCE_ID"))->Value();
    return lcbPaySource->KeyValue();
}

void TfrmCustPayments::Reopen()
{
    TScreenCursorScope cursor(crHourGlass);
    m_cds->Close();
    m_cds->SetCommandText(
        CustPaymentsStatement(SelectionPeriodFrom, SelectionPeriodTo, actFilter->isChecked(), ChosenChannel()));
    m_cds->Open();
    setWindowTitle(QStringLiteral("Платежи ") + PeriodCaption(SelectionPeriodFrom, SelectionPeriodTo));
}

void TfrmCustPayments::FilterChanged()
{
    const bool on = actFilter->isChecked();
    actFilter->setText(on ? QStringLiteral("Отключить фильтр") : QStringLiteral("Активизировать фильтр"));
    actFilter->setToolTip(on ? QStringLiteral("Отключить фильтр отбора по условию")
                             : QStringLiteral("Активизировать фильтр отбора по условию"));
    Reopen();
}

bool TfrmCustPayments::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == SearchFrame->edtSearch && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Down) {
            dbgCustPayments->setFocus();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool TfrmCustPayments::event(QEvent *event)
{
    if (TMessageEvent *m = TMessageEvent::from(event)) {
        if (m->Msg == AMRunQuery) {
            guard([this] {
                TellMainWindow(AMShowAnimate);
                if (TDataSet *list = channelList()) {
                    list->Close();
                    list->Open();
                }
                lcbPaySource->SetKeyValue(ChosenChannel());
                Reopen();
                TellMainWindow(AMHideAnimate);
            });
            return true;
        }
    }
    return QWidget::event(event);
}

void TfrmCustPayments::closeEvent(QCloseEvent *event)
{
    guard([this] { m_cds->Close(); });
    TellMainWindow(AMChildClose);
    TellMainWindow(AMHideAnimate);
    event->accept();
}

void RegisterCustPaymentsForms()
{
    RegisterFormClass<TfrmCustPayments>(QStringLiteral("TfrmCustPayments"));
}
