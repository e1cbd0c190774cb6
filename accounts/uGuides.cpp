#include "uGuides.h"

#include "FormClasses.h"
#include "frmuAreaGuide.h"
#include "frmuCompanyGuide.h"
#include "frmuCust_PropGuide.h"
#include "frmuEmployee.h"
#include "frmuHouseGuide.h"
#include "frmuLocationGuide.h"
#include "frmuMain.h"
#include "frmuStreetGuide.h"
#include "frmuSubAreaGuide.h"
#include "frmuTeam.h"

void RegisterGuideCommand(const char *name, TGuideRoutine routine)
{
    RegisterCommand(QString::fromLatin1(name), [routine] {
        QVariant out;
        routine(0, 0, out);
    });
}

void RegisterGuidePicker(const char *name, TGuideRoutine routine)
{
    RegisterPicker(QString::fromLatin1(name), [routine](QVariant &key) {
        QVariant out;
        if (!routine(key, 1, out))
            return false;
        key = out;
        return true;
    });
}

void RegisterGuides()
{
    RegisterGuideCommand("executeLocationGuide", executeLocationGuide);
    RegisterGuideCommand("executeAreaGuide", executeAreaGuide);
    RegisterGuideCommand("executeSubAreaGuide", executeSubAreaGuide);
    RegisterGuideCommand("executeStreetGuide", executeStreetGuide);
    RegisterGuideCommand("executeHouseGuide", executeHouseGuide);
    RegisterGuideCommand("executeCompanyGuide", executeCompanyGuide);
    RegisterGuideCommand("executeCustPropGuide", executeCustPropGuide);
    RegisterGuideCommand("executeTeamGuide", executeTeamGuide);
    RegisterGuideCommand("executeEmployeeGuide", executeEmployeeGuide);
    // The configuration window chooses the operator company.
    RegisterGuidePicker("pickCompany", executeCompanyGuide);
}
