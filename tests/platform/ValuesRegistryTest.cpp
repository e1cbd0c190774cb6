// The registry over an INI file and the registry of named components.
#include "ComponentRegistry.h"
#include "Registry.h"

#include <QFile>

#include <gtest/gtest.h>

#include <memory>

namespace {

class ValuesRegistry : public ::testing::Test
{
protected:
    void SetUp() override { TRegistry::useTemporaryStorage(); }
};

TEST_F(ValuesRegistry, KeysValuesAndTheirTypes)
{
    {
        TRegistry reg;
        EXPECT_FALSE(reg.OpenKey(QStringLiteral("Software\\ReportDesigner\\MRUFont"), false));
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\ReportDesigner\\MRUFont"), true));
        EXPECT_EQ(reg.CurrentPath(), QStringLiteral("Software\\ReportDesigner\\MRUFont"));
        EXPECT_TRUE(reg.GetValueNames().isEmpty()) << "a new key exists without values";
        reg.WriteString(QStringLiteral("Font0"), QStringLiteral("Arial"));
        reg.WriteInteger(QStringLiteral("Count"), 12);
        reg.WriteBool(QStringLiteral("Show"), true);
        reg.WriteString(QStringLiteral("Bad"), QStringLiteral("abc"));
    }
    TRegistry reg;
    EXPECT_TRUE(reg.KeyExists(QStringLiteral("\\software\\reportdesigner\\mrufont")));
    ASSERT_TRUE(reg.OpenKeyReadOnly(QStringLiteral("SOFTWARE\\ReportDesigner\\MRUFont")));
    EXPECT_EQ(reg.ReadString(QStringLiteral("font0")), QStringLiteral("Arial"));
    EXPECT_EQ(reg.ReadString(QStringLiteral("Missing")), QString());
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("Count")), 12);
    EXPECT_EQ(reg.ReadString(QStringLiteral("Show")), QStringLiteral("1"));
    EXPECT_TRUE(reg.ReadBool(QStringLiteral("Show")));
    EXPECT_THROW(reg.ReadInteger(QStringLiteral("Bad")), ERegistryException);
    EXPECT_THROW(reg.ReadInteger(QStringLiteral("Missing")), ERegistryException);
    EXPECT_THROW(reg.WriteString(QStringLiteral("X"), QStringLiteral("y")), ERegistryException);
    QStringList names = reg.GetValueNames();
    names.sort();
    EXPECT_EQ(names,
        (QStringList {
            QStringLiteral("Bad"), QStringLiteral("Count"), QStringLiteral("Font0"), QStringLiteral("Show") }));
    reg.CloseKey();

    ASSERT_TRUE(reg.OpenKey(QStringLiteral("Software"), false));
    EXPECT_EQ(reg.GetKeyNames(), QStringList { QStringLiteral("ReportDesigner") });
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("ReportDesigner"), false)) << "relative to the open key";
    EXPECT_TRUE(reg.DeleteKey(QStringLiteral("MRUFont")));
    EXPECT_FALSE(reg.KeyExists(QStringLiteral("MRUFont")));

    EXPECT_TRUE(QFile::exists(TRegistry::storageFile()));
}

TEST_F(ValuesRegistry, IniViewFallsBackToDefaults)
{
    TRegIniFile ini(QStringLiteral("Software\\ReportDesigner\\tarvik"));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Form\\TfrDesignerForm"), QStringLiteral("GridSize"), 4), 4);
    EXPECT_TRUE(ini.ReadBool(QStringLiteral("Form\\TfrDesignerForm"), QStringLiteral("GridAlign"), true));
    ini.WriteInteger(QStringLiteral("Form\\TfrDesignerForm"), QStringLiteral("GridSize"), 8);
    ini.WriteBool(QStringLiteral("Form\\TfrDesignerForm"), QStringLiteral("GridAlign"), false);
    ini.WriteString(QStringLiteral("Form\\TfrDesignerForm"), QStringLiteral("Units"), QStringLiteral("mm"));
    ini.WriteString(QStringLiteral("ToolBar\\Pan1"), QStringLiteral("isFloat"), QStringLiteral("5"));

    TRegIniFile again(QStringLiteral("\\Software\\ReportDesigner\\tarvik"));
    EXPECT_EQ(again.ReadInteger(QStringLiteral("form\\tfrdesignerform"), QStringLiteral("gridsize"), 4), 8);
    EXPECT_FALSE(again.ReadBool(QStringLiteral("Form\\TfrDesignerForm"), QStringLiteral("GridAlign"), true));
    EXPECT_EQ(again.ReadInteger(QStringLiteral("Form\\TfrDesignerForm"), QStringLiteral("Units"), 0), 0)
        << "a value that is no number reads as the default";
    EXPECT_TRUE(again.ReadBool(QStringLiteral("ToolBar\\Pan1"), QStringLiteral("isFloat"), false))
        << "any non-zero number is true";
    EXPECT_EQ(
        again.ReadString(QStringLiteral("Nowhere"), QStringLiteral("x"), QStringLiteral("d")), QStringLiteral("d"));

    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("Software\\ReportDesigner\\tarvik\\Form\\TfrDesignerForm"), false));
    EXPECT_EQ(reg.ReadString(QStringLiteral("GridAlign")), QStringLiteral("0"));

    EXPECT_TRUE(again.SectionExists(QStringLiteral("ToolBar\\Pan1")));
    again.EraseSection(QStringLiteral("ToolBar\\Pan1"));
    EXPECT_FALSE(again.SectionExists(QStringLiteral("ToolBar\\Pan1")));
    again.DeleteKey(QStringLiteral("Form\\TfrDesignerForm"), QStringLiteral("Units"));
    QStringList idents = again.ReadSection(QStringLiteral("Form\\TfrDesignerForm"));
    idents.sort();
    EXPECT_EQ(idents, (QStringList { QStringLiteral("GridAlign"), QStringLiteral("GridSize") }));
}

TEST(ValuesComponentRegistry, NamesIgnoreCaseAndLeaveWithTheirObjects)
{
    ComponentRegistry &reg = ComponentRegistry::instance();
    auto dm = std::make_unique<QObject>();
    dm->setObjectName(QStringLiteral("dmReports"));
    auto *cdsPayments = new QObject(dm.get());
    cdsPayments->setObjectName(QStringLiteral("cdsPayments"));
    auto *frame = new QObject(dm.get());
    frame->setObjectName(QStringLiteral("Frame1"));
    auto *inner = new QObject(frame);
    inner->setObjectName(QStringLiteral("frDBDataSet1"));
    reg.registerComponent(dm.get(), cdsPayments);
    reg.registerComponent(dm.get(), frame);

    auto window = std::make_unique<QObject>();
    auto *other = new QObject(window.get());
    reg.registerOwner(window.get(), QStringLiteral("frmCustomer"));
    reg.registerComponent(window.get(), other, QStringLiteral("cdsPayments"));

    EXPECT_EQ(reg.find(QStringLiteral("DMREPORTS.cdspayments")), cdsPayments);
    EXPECT_EQ(reg.find(QStringLiteral("frmCustomer.cdsPayments")), other);
    EXPECT_EQ(reg.find(QStringLiteral("cdsPayments")), cdsPayments) << "first owner in registration order";
    EXPECT_EQ(reg.find(QStringLiteral("cdsPayments"), window.get()), other) << "the context owner comes first";
    EXPECT_EQ(reg.find(QStringLiteral("dmReports.Frame1.FRDBDATASET1")), inner);
    EXPECT_EQ(reg.find(QStringLiteral("dmReports")), dm.get());
    EXPECT_EQ(reg.find(QStringLiteral("dmReports.nothing")), nullptr);
    EXPECT_EQ(reg.find(QString()), nullptr);
    EXPECT_EQ(reg.fullName(other), QStringLiteral("frmCustomer.cdsPayments"));

    QStringList names;
    for (const auto &e : reg.entries())
        names << e.fullName();
    EXPECT_EQ(names,
        (QStringList { QStringLiteral("dmReports.cdsPayments"), QStringLiteral("dmReports.Frame1"),
            QStringLiteral("frmCustomer.cdsPayments") }));

    delete cdsPayments;
    EXPECT_EQ(reg.find(QStringLiteral("cdsPayments")), other);
    window.reset();
    EXPECT_EQ(reg.find(QStringLiteral("cdsPayments")), nullptr);
    EXPECT_EQ(reg.owners(), QList<QObject *> { dm.get() });
    dm.reset();
    EXPECT_TRUE(reg.owners().isEmpty());
    EXPECT_TRUE(reg.entries().isEmpty());
}

} // namespace
