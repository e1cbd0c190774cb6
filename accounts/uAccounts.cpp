#include "uAccounts.h"

#include "FormClasses.h"
#include "frmuCustDebt.h"
#include "frmuCustomer.h"
#include "frmuExternalPayments.h"
#include "frmuPeriod.h"
#include "frmuSelectMonth.h"
#include "uStatReports.h"

void RegisterAccountsForms()
{
    RegisterFormClass<TfrmPeriod>(QStringLiteral("TfrmPeriod"));
    RegisterFormClass<TfrmSelectMonth>(QStringLiteral("TfrmSelectMonth"));
    RegisterCustomerForms();
    RegisterExternalPaymentsForms();
    RegisterCustDebtForms();
    RegisterStatReportCommands();
}
