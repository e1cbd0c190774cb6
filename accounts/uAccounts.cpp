#include "uAccounts.h"

#include "FormClasses.h"
#include "frmuMain.h"
#include "frmuCustPayments.h"
#include "frmuCustomer.h"
#include "frmuPayDoc.h"
#include "frmuPaySourceGuide.h"
#include "frmuPeriod.h"
#include "frmuSelectMonth.h"
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
    RegisterStatReportCommands();
    RegisterPayDocForms();
    RegisterCustPaymentsForms();
    RegisterPaymentsExportCommands();
    RegisterCommand(QStringLiteral("executePaySourceGuide"), [] {
        QVariant key;
        executePaySourceGuide(0, 0, key);
    });
}
