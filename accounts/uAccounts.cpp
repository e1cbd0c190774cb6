#include "uAccounts.h"

#include "FormClasses.h"
#include "frmuCustomer.h"
#include "frmuPeriod.h"
#include "frmuSelectMonth.h"
#include "frmuTickets.h"
#include "uGuides.h"
#include "uStatReports.h"

void RegisterAccountsForms()
{
    RegisterFormClass<TfrmPeriod>(QStringLiteral("TfrmPeriod"));
    RegisterFormClass<TfrmSelectMonth>(QStringLiteral("TfrmSelectMonth"));
    RegisterCustomerForms();
    RegisterFormClass<TfrmTickets>(QStringLiteral("TfrmTickets"));
    RegisterGuides();
    RegisterStatReportCommands();
}
