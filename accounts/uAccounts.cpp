#include "uAccounts.h"

#include "FormClasses.h"
#include "frmuCustDebt.h"
#include "frmuCustPayments.h"
#include "frmuCustomer.h"
#include "frmuExternalPayments.h"
#include "frmuMain.h"
#include "frmuPayDoc.h"
#include "frmuPaySourceGuide.h"
#include "frmuPeriod.h"
#include "frmuSelectMonth.h"
#include "frmuServTypeGuide.h"
#include "frmuSmartCards.h"
#include "frmuTickets.h"
#include "uGuides.h"
#include "uPaymentsExport.h"
#include "uStatReports.h"

void RegisterAccountsForms()
{
    RegisterFormClass<TfrmPeriod>(QStringLiteral("TfrmPeriod"));
    RegisterFormClass<TfrmSelectMonth>(QStringLiteral("TfrmSelectMonth"));
    RegisterCustomerForms();
    RegisterFormClass<TfrmTickets>(QStringLiteral("TfrmTickets"));
    RegisterGuides();
    RegisterSmartCardGuides();
    RegisterServiceGuides();
    RegisterExternalPaymentsForms();
    RegisterCustDebtForms();
    RegisterStatReportCommands();
    RegisterPayDocForms();
    RegisterCustPaymentsForms();
    RegisterPaymentsExportCommands();
    RegisterCommand(QStringLiteral("executePaySourceGuide"), [] {
        QVariant key;
        executePaySourceGuide(0, 0, key);
    });
}
