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

namespace {

using TGuideRoutine = bool (*)(const QVariant &, int, QVariant &);

// The main menu opens a guide to look through, with key 0.
void registerBrowse(const char *name, TGuideRoutine routine)
{
    RegisterCommand(QString::fromLatin1(name), [routine] {
        QVariant out;
        routine(0, 0, out);
    });
}

// A picker answers true with the chosen key when the guide was closed with Ok.
void registerPick(const char *name, TGuideRoutine routine)
{
    RegisterPicker(QString::fromLatin1(name), [routine](QVariant &key) {
        QVariant out;
        if (!routine(key, 1, out))
            return false;
        key = out;
        return true;
    });
}

} // namespace

void RegisterGuides()
{
    registerBrowse("executeLocationGuide", executeLocationGuide);
    registerBrowse("executeAreaGuide", executeAreaGuide);
    registerBrowse("executeSubAreaGuide", executeSubAreaGuide);
    registerBrowse("executeStreetGuide", executeStreetGuide);
    registerBrowse("executeHouseGuide", executeHouseGuide);
    registerBrowse("executeCompanyGuide", executeCompanyGuide);
    registerBrowse("executeCustPropGuide", executeCustPropGuide);
    registerBrowse("executeTeamGuide", executeTeamGuide);
    registerBrowse("executeEmployeeGuide", executeEmployeeGuide);
    // The configuration window chooses the operator company.
    registerPick("pickCompany", executeCompanyGuide);
}
