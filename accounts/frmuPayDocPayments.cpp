// The payments part of the payment documents window: entering, correcting and deleting payments, the payer
// search, the prints, and the window's messages.
#include "frmuPayDoc.h"

#include "DBCtrlsEh.h"
#include "DBLookupEh.h"
#include "DataSource.h"
#include "FormClasses.h"
#include "Guard.h"
#include "KyvFrames.h"
#include "Kyv_DBGridEh.h"
#include "ScreenCursor.h"
#include "Services.h"
#include "WindowMessages.h"
#include "dmuCust.h"
#include "dmuDM.h"
#include "dmuReports.h"
#include "dmuRDM.h"
#include "frmuCustomer.h"
#include "frmuMain.h"
#include "uCommon.h"
#include "uDialogButtons.h"
#include "uLog.h"
#include "uPayDocData.h"
#include "uPaymentWindows.h"
#include "uPaymentPrints.h"
#include "uPayDoc.h"

#include <QAction>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

bool TfrmPayDoc::CheckPayment()
{
    TDataSet *p = m_data->cdsPayDocPayment();
    if (!IsEditing(p))
        return true;
    QString message;
    const TPaymentField refused = CheckPaymentValues(
        FieldOf(p, "CUSTOMER_ID")->Value(), FieldOf(p, "PAY_SUM")->Value(), FieldOf(p, "SERV_ID")->Value(), message);
    if (refused == TPaymentField::None)
        return true;
    Services::messages()->error(message);
    QWidget *focus = refused == TPaymentField::Payer ? static_cast<QWidget *>(lcbPayerAccount)
        : refused == TPaymentField::Sum              ? static_cast<QWidget *>(edPaySum)
                                                     : static_cast<QWidget *>(lcbPayKind);
    focus->setFocus();
    return false;
}

void TfrmPayDoc::NewPayment()
{
    TDataSet *p = m_data->cdsPayDocPayment();
    if (!CheckPayment() || !SaveHeader())
        return;
    if (IsEditing(p)) {
        m_data->Defaults().lastSum = FieldOf(p, "PAY_SUM")->AsFloat();
        p->Post();
    }
    if (!p->Active())
        m_data->OpenPayments();
    m_data->OpenPayerLists();
    pcPayments->setCurrentWidget(tsPayment);
    p->Append();
    UpdateActions();
    lcbPayerAccount->setFocus();
}

void TfrmPayDoc::EditPayment()
{
    TDataSet *p = m_data->cdsPayDocPayment();
    if (!p->Active() || p->IsEmpty())
        return;
    m_data->OpenPayerLists();
    pcPayments->setCurrentWidget(tsPayment);
    p->Edit();
    UpdateActions();
}

void TfrmPayDoc::PaymentOk()
{
    TDataSet *p = m_data->cdsPayDocPayment();
    if (!CheckPayment())
        return;
    if (IsEditing(p)) {
        m_data->Defaults().lastSum = FieldOf(p, "PAY_SUM")->AsFloat();
        p->Post();
    }
    RecalcQueued();
    if (m_data->PaymentsChanged) {
        RememberDocument();
        m_data->cdsPayDoc()->Refresh();
        m_data->cdsPayDoc()->Locate(QStringLiteral("PAY_DOC_ID"), m_rememberedDocId);
        m_data->OpenPayments();
        m_data->PaymentsChanged = false;
    }
    pcPayments->setCurrentWidget(tsPaymentList);
    UpdateActions();
    dbgPayment->setFocus();
}

void TfrmPayDoc::PaymentCancel()
{
    TClientDataSet *p = m_data->cdsPayDocPayment();
    if (IsEditing(p))
        p->Cancel();
    p->CancelUpdates();
    RecalcQueued();
    if (m_data->PaymentsChanged) {
        RememberDocument();
        if (m_data->PeriodWidened)
            m_data->OpenDocuments();
        else
            m_data->cdsPayDoc()->Refresh();
        m_data->cdsPayDoc()->Locate(QStringLiteral("PAY_DOC_ID"), m_rememberedDocId);
        m_data->odsPayDocPaymCustInfo()->Close();
        m_data->OpenPayerLists();
        m_data->OpenPayments();
        m_data->PaymentsChanged = false;
    }
    pcPayments->setCurrentWidget(tsPaymentList);
    UpdateActions();
}

void TfrmPayDoc::DeletePayments()
{
    TDataSet *p = m_data->cdsPayDocPayment();
    if (!p->Active() || p->IsEmpty() || IsEditing(p))
        return;
    TBookmarkListEh &selected = dbgPayment->SelectedBookmarks();
    struct Row
    {
        QVariant payment, customer, date;
    };
    QList<Row> rows;
    auto current = [p] {
        return Row { FieldOf(p, "PAYMENT_ID")->Value(), FieldOf(p, "CUSTOMER_ID")->Value(),
            FieldOf(p, "PAY_DATE")->Value() };
    };
    if (selected.Count() < 2) {
        if (!ConfirmDeleteRecord(QStringLiteral("RU"),
                FieldOf(p, "CUST_DESCR")->AsString() + QLatin1Char(' ') + FieldOf(p, "PAY_SUM")->DisplayText()))
            return;
        rows << current();
    } else {
        if (!Services::messages()->confirm(QStringLiteral("Удалить выбранные платежи")))
            return;
        for (int i = 0; i < selected.Count(); ++i) {
            p->GotoBookmark(selected.Items(i));
            rows << current();
        }
    }
    TScreenCursorScope cursor(crHourGlass);
    TellMainWindow(AMShowAnimate);
    struct Hide
    {
        ~Hide() { TellMainWindow(AMHideAnimate); }
    } hide;
    for (const Row &row : rows) {
        QString error;
        if (!DeletePayment(DM, row.payment, row.customer, row.date, error)) {
            Services::messages()->error(error);
            break;
        }
    }
    selected.Clear();
    m_data->PaymentsChanged = true;
    RememberDocument();
    m_data->cdsPayDoc()->Refresh();
    m_data->cdsPayDoc()->Locate(QStringLiteral("PAY_DOC_ID"), m_rememberedDocId);
    m_data->OpenPayments();
    UpdateActions();
}

void TfrmPayDoc::SearchPayerByCode()
{
    TDataSet *p = m_data->cdsPayDocPayment();
    if (!IsEditing(p))
        return;
    const int cursor = edCustCode->cursorPosition();
    edCustCode->setText(edCustCode->text().replace(QLatin1Char(','), QLatin1Char('.')));
    edCustCode->setCursorPosition(cursor);
    TKyv_ADODataSet *payers = m_data->odsPayDocPaymCustInfo();
    if (payers->LocateByEdit(QStringLiteral("CUST_CODE"), edCustCode))
        FieldOf(p, "CUSTOMER_ID")->SetValue(FieldOf(payers, "CUSTOMER_ID")->Value());
}

void TfrmPayDoc::ExtendedSearch()
{
    TDataSet *p = m_data->cdsPayDocPayment();
    if (!IsEditing(p))
        return;
    const QVariant chosen = executeExtCustSearch(this);
    if (!isNullValue(chosen))
        FieldOf(p, "CUSTOMER_ID")->SetValue(chosen);
}

QString TfrmPayDoc::ChannelMemo() const
{
    const QVariant channel = ChosenChannel();
    const bool filtered = actFilter->isChecked() && !isNullValue(channel);
    QString name;
    if (filtered && m_data->odsPayDocSourceLookUp()->Active())
        name = m_data->odsPayDocSourceLookUp()
                   ->Lookup(QStringLiteral("PAYSOURCE_ID"), channel, QStringLiteral("PAYSOURCE_DESCR"))
                   .toString();
    return PaymentsPeriodMemo(filtered, name);
}

void TfrmPayDoc::PrintDocuments()
{
    if (dmReports)
        dmReports->ShowReport(m_documentsReport, QStringLiteral("PayDocuments.frf"), TReportShow::MDIPreview);
}

void TfrmPayDoc::PrintPaymentsByServ(const QVariant &servId)
{
    if (!dmReports || !DM)
        return;
    TKyv_ClientDataSet *ds = DM->cdsReportPaymentsByServ();
    ds->Close();
    ds->SetCommandText(PaymentsByServStatement());
    ds->Params().ParamByName(QStringLiteral("P_Serv_Id")).SetValue(servId);
    ds->Params().ParamByName(QStringLiteral("PeriodFrom")).SetValue(QDateTime(SelectionPeriodFrom, QTime(0, 0)));
    // The period's last day counts whole: the statement takes the day after it as an open end.
    ds->Params().ParamByName(QStringLiteral("PeriodTo")).SetValue(QDateTime(SelectionPeriodTo.addDays(1), QTime(0, 0)));
    ds->Open();
    dmReports->ShowReport(
        dmReports->frReportPaymentsByServ(), QStringLiteral("PaymentsByServ.frf"), TReportShow::MDIPreview);
}

void TfrmPayDoc::PrintPayments()
{
    if (dmReports && m_data->cdsPayDocPayment()->Active())
        dmReports->ShowReport(m_paymentsReport, QStringLiteral("PayDocPayment.frf"), TReportShow::MDIPreview);
}

void TfrmPayDoc::PrintCashOrder(bool design)
{
    TDataSet *p = m_data->cdsPayDocPayment();
    if (!dmReports || !p->Active() || p->IsEmpty())
        return;
    const QVariant id = FieldOf(p, "PAYMENT_ID")->Value();
    if (design)
        dmReports->designPayDocKO1(id);
    else
        dmReports->printPayDocKO1(id);
}

void TfrmPayDoc::ShowCustomerBalance()
{
    TDataSet *p = m_data->cdsPayDocPayment();
    if (!dmReports || !DM || !DMR || !p->Active() || p->IsEmpty())
        return;
    RecalcQueued();
    const QVariant customer = FieldOf(p, "CUSTOMER_ID")->Value();
    if (custDM) {
        TKyv_ClientDataSet *customers = custDM->cdsCustomer();
        if (!customers->Active())
            customers->Open();
        customers->Locate(QStringLiteral("CUSTOMER_ID"), customer);
    }
    const TDM::TMainCfg cfg = DM->OpenMainCFG();
    if (DMR->FillCustBalance(customer, cfg.debtMode, cfg.accDate, DM->InitDate())) {
        dmReports->prepareCustomerBalanceReport();
        dmReports->ShowReport(
            dmReports->frCustomerBalance(), QStringLiteral("CustomerBalance.frf"), TReportShow::MDIPreview);
    }
    DMR->odsBalanceGroup()->Close();
}

bool TfrmPayDoc::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Down;
        if (watched == SearchFrame->edtSearch && enter) {
            dbgPayDoc->setFocus();
            return true;
        }
        if (watched == edCustCode && enter) {
            edPaySum->setFocus();
            return true;
        }
    }
    if (event->type() == QEvent::FocusIn && watched->parent() == tsPayment)
        SetKeyboardLanguage(watched == edCustCode ? QStringLiteral("EN") : QStringLiteral("RU"));
    if (event->type() == QEvent::FocusOut) {
        // Only a move the user made: a window losing the focus or a popup opening saves nothing.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        const bool moved
            = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::MouseFocusReason;
        if (moved && watched == edPayDocSum)
            guard([this] { SaveHeaderAndStartPayment(); });
        if (moved && watched == edCustCode && reason != Qt::MouseFocusReason)
            edPayDate->setFocus();
    }
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == dbgPayDoc)
            actOpenDoc->trigger();
        if (watched == dbgPayment)
            actEditPayment->trigger();
    }
    return QWidget::eventFilter(watched, event);
}

bool TfrmPayDoc::event(QEvent *event)
{
    if (TMessageEvent *m = TMessageEvent::from(event)) {
        if (m->Msg == AMRunQuery) {
            guard([this] { RunQuery(); });
            return true;
        }
    }
    return QWidget::event(event);
}

void TfrmPayDoc::closeEvent(QCloseEvent *event)
{
    guard([this] {
        TDataSet *doc = m_data->cdsPayDoc();
        if (IsEditing(doc))
            doc->Cancel();
        if (!SettlePayments())
            m_data->cdsPayDocPayment()->CancelUpdates();
        if (DM && DM->cdsMainCFG()->Active()) {
            TellMainWindow(AMShowAnimate);
            RecalcQueued();
        }
        m_data->CloseAll();
    });
    TellMainWindow(AMChildClose);
    TellMainWindow(AMHideAnimate);
    event->accept();
}

bool executeGetServId(QVariant &servId)
{
    if (!DM)
        return false;
    TKyv_ClientDataSet *list = DM->cdsReportServList();
    list->SetCommandText(PaymentServicesStatement());
    list->Close();
    list->Open();
    QDialog dialog(QApplication::activeWindow());
    dialog.setObjectName(QStringLiteral("frmGetServId"));
    dialog.setWindowTitle(QStringLiteral("Выбор вида платежа"));
    TDataSource source;
    source.SetDataSet(list);
    auto *combo = new TDBLookupComboboxEh(&dialog);
    combo->setObjectName(QStringLiteral("lcbServ"));
    combo->SetListSource(&source);
    combo->SetKeyField(QStringLiteral("SERV_ID"));
    combo->SetListField(QStringLiteral("SERV_DESCR"));
    combo->SetKeyValue(servId);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("Вид платежа"), &dialog));
    layout->addWidget(combo);
    QPushButton *btnOk = nullptr;
    QPushButton *btnCancel = nullptr;
    layout->addWidget(ReadyCancelButtons(btnOk, btnCancel));
    QObject::connect(btnOk, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(btnCancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    const bool ok = dialog.exec() == QDialog::Accepted && !isNullValue(combo->KeyValue());
    if (ok)
        servId = combo->KeyValue();
    list->Close();
    return ok;
}

void RegisterPayDocForms()
{
    RegisterFormClass<TfrmPayDoc>(QStringLiteral("TfrmPayDoc"));
}
