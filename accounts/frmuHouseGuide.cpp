#include "frmuHouseGuide.h"

#include "ComponentRegistry.h"
#include "DBCtrlsEh.h"
#include "DBLookupEh.h"
#include "DataSource.h"
#include "DbSchema.h"
#include "FR_Class.h"
#include "FR_DBSet.h"
#include "Formats.h"
#include "Guard.h"
#include "Kyv_DBGridEh.h"
#include "Kyv_db.h"
#include "Services.h"
#include "dmuDM.h"
#include "dmuReports.h"
#include "frmuAreaGuide.h"
#include "frmuCustomer.h"
#include "frmuLocationGuide.h"
#include "frmuStreetGuide.h"
#include "frmuSubAreaGuide.h"
#include "uLog.h"
#include "uGuideStatements.h"

#include <QApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

TfrmHouseGuide *frmHouseGuide = nullptr;

namespace {

TGuideSpec guideSpec()
{
    TGuideSpec s;
    s.objectName = "frmHouseGuide";
    s.caption = QStringLiteral("\"Дома\" справочник");
    s.placementPath = QStringLiteral("frmHouse\\");
    s.helpContext = 7030;
    s.keyField = QStringLiteral("HOUSE_ID");
    s.nameField = QStringLiteral("HOUSE_NO");
    s.table = QStringLiteral("ZOLT.HOUSE");
    s.cancelKey = gckNull;
    s.sortField = QStringLiteral("RO_SREET_NAME");
    return s;
}

bool isKey(const QVariant &v)
{
    return v.isValid() && !v.isNull() && v.toDouble() != 0;
}

QVariant minId(const char *field, const char *table)
{
    if (!DM)
        return 0;
    try {
        return DM->GetMinId(QString::fromLatin1(field), QStringLiteral("ZOLT.") + QString::fromLatin1(table));
    } catch (const std::exception &e) {
        LogError(QString::fromUtf8(e.what()));
        return 0;
    }
}

} // namespace

QString HouseFilterText(const QVariant &streetId, const QVariant &areaId, const QVariant &subAreaId)
{
    QString text;
    auto add = [&text](const char *field, const QVariant &id) {
        if (!isKey(id))
            return;
        if (!text.isEmpty())
            text += QStringLiteral(" and ");
        // Keys are numbers: written as such, never as the text of a drop-down.
        text += QStringLiteral("(") + QString::fromLatin1(field) + QLatin1Char('=')
            + QString::number(qint64(id.toDouble())) + QLatin1Char(')');
    };
    add("STREET_ID", streetId);
    add("AREA_ID", areaId);
    add("SubArea_ID", subAreaId);
    return text;
}

TfrmHouseGuide::TfrmHouseGuide(QWidget *parent)
    : TfrmGuide(guideSpec(), parent)
{
    setList(makeClientList("cdsHouse", "dspHouse", HouseListStatement()),
            QStringLiteral("frmHouseGuide.cdsHouse"));
    actInsertRecord->setObjectName(QStringLiteral("actNewHouse"));
    actInsertRecord->setText(QStringLiteral("Добавить дом"));
    actDeleteRecord->setObjectName(QStringLiteral("actDelHouse"));
    actDeleteRecord->setText(QStringLiteral("Удалить дом"));
    actEditRecord->setObjectName(QStringLiteral("actEditHouse"));
    actEditRecord->setText(QStringLiteral("Корректировать"));

    m_streets = makeLookup("odsStreetLookup", StreetLookupStatement());
    m_areas = makeLookup("odsAreaLookup", AreaLookupStatement());
    m_subAreas = makeLookup("odsSubAreaLookup", SubAreaLookupStatement());
    m_locations = makeLookup("odsLocationFull", LocationFullNamesStatement());
    m_filterStreets = makeLookup("odsFilterStreets", StreetLookupStatement());

    auto pick = [this](const char *name, const QString &hint, const char *field,
                       bool (*guide)(const QVariant &, int, QVariant &), TDataSet *list) {
        return makeAction(name, QStringLiteral("..."), {}, [this, field, guide, list] {
            PickGuideKey(L, QString::fromLatin1(field), guide, list);
        }, hint);
    };
    actSelectStreet = pick("actSelectStreet", QStringLiteral("Выбор улицы из справочника"), "STREET_ID",
                           executeStreetGuide, m_streets);
    actSelectArea = pick("actSelectArea", QStringLiteral("Выбор района из справочника"), "AREA_ID", executeAreaGuide,
                         m_areas);
    actSelectSubArea = pick("actSelectSubArea", QStringLiteral("Выбор участка из справочника"), "SUBAREA_ID",
                            executeSubAreaGuide, m_subAreas);
    actSelectLocation = pick("actSelectLocation", QStringLiteral("Выбор нас. пункта из справочника"), "LOCATION_ID",
                             executeLocationGuide, m_locations);

    cbStreet = addLookupCombo("cbStreet", QStringLiteral("Улица *"), "STREET_ID", m_streets, "STREET_ID",
                              "STREET_NAME", 1, actSelectStreet);
    edtHouseNo = addEdit("edtHouseNo", QStringLiteral("№ дома *"), "HOUSE_NO", 2);
    edtQFlat = new TDBNumberEditEh(tsDetail);
    edtQFlat->setObjectName(QStringLiteral("edtQFlat"));
    edtQFlat->SetDataSource(dsList);
    edtQFlat->SetDataField(QStringLiteral("Q_FLAT"));
    addDetail(QStringLiteral("Кол-во кв."), edtQFlat, 2);
    cbArea = addLookupCombo("cbArea", QStringLiteral("Район"), "AREA_ID", m_areas, "AREA_ID", "AREA_NAME", 1,
                            actSelectArea);
    cbSubArea = addLookupCombo("cbSubArea", QStringLiteral("Участок"), "SUBAREA_ID", m_subAreas, "SUBAREA_ID",
                               "SUBAREA_NAME", 1, actSelectSubArea);
    cbLocation = addLookupCombo("cbLocation", QStringLiteral("Нас. пункт *"), "LOCATION_ID", m_locations,
                                "LOCATION_ID", "L_LOCATION_FULL", 0, actSelectLocation);
    maxTag = 2;
    // Leaving the flats edit goes to "Готово": the district and sub-area seldom change.
    setTabOrder(edtQFlat, btnApply);

    // The statistics columns.
    addColumn("RO_LOCATION_NAME", QStringLiteral("Нас. пункт"), 100);
    addColumn("RO_SREET_NAME", QStringLiteral("Улица"), 150);
    TColumnEh *houseNo = addColumn("RO_HOUSE_NO", QStringLiteral("№ дома"), 60);
    houseNo->SetAlignment(taRightJustify);
    houseNo->Footer().SetValueType(fvtCount);
    addColumn("Q_FLAT", QStringLiteral("Кол-во квартир"), 110)->Footer().SetValueType(fvtSum);
    addColumn("L_Q_ACT_CUST", QStringLiteral("Кол-во подкл."), 100)->Footer().SetValueType(fvtSum);
    TColumnEh *inactive = addColumn("C_Q_INACTIVE_CUST", QStringLiteral("Кол-во откл."), 85);
    inactive->Footer().SetValueType(fvtSum);
    TColumnEh *percent = addColumn("C_PERCENT", QStringLiteral("% подкл."), 65);
    // A house without flats shows 0.
    percent->SetDisplayFormat(QStringLiteral("##0.##"));
    percent->Footer().SetValueType(fvtStaticText);
    // The footer's percent is that of the houses listed: their connected customers of their flats together.
    dbgList->OnGetFooterParams = [this](TCustomDBGridEh *, int, int, TColumnEh *column, TFont &, TColor &, TAlignment &,
                                     TGridDrawState, QString &text) {
        if (column->FieldName().compare(QLatin1String("C_PERCENT"), Qt::CaseInsensitive) != 0)
            return;
        const TDBSumCollection &sums = dbgList->SumList().SumCollection();
        const TDBSum *flats = sums.FindSumItem(goSum, QStringLiteral("Q_FLAT"));
        const TDBSum *connected = sums.FindSumItem(goSum, QStringLiteral("L_Q_ACT_CUST"));
        const double percent = flats && connected && flats->SumValue != 0
            ? double(connected->SumValue) * 100.0 / double(flats->SumValue)
            : 0.0;
        text = FormatFloat(column->DisplayFormat(), percent);
    };
    addColumn("RO_SUBAREA_NAME", QStringLiteral("Участок"), 100);
    dbgList->SetFooterRowCount(1);
    dbgList->SumList().SetActive(true);
    dbgList->SetOptionsEh(dbgList->OptionsEh() | dghMultiSortMarking);

    refs << TGuideReference { QStringLiteral("House_Id"), QStringLiteral("Customer"),
                              QStringLiteral("Данный дом удалить нельзя, т.к. на него есть ссылка из картотеки клиентов"),
                              false };
    // The entrances are checked only where the database keeps them.
    for (const DbSchema::Table &t : DbSchema::tables())
        if (t.name.compare(QLatin1String("ENTRANCE"), Qt::CaseInsensitive) == 0)
            refs << TGuideReference { QStringLiteral("House_Id"), QStringLiteral("Entrance"),
                                      QStringLiteral("Данный дом удалить нельзя, т.к. на него есть ссылка из списка подъездов"),
                                      false };

    // The filter panel, shown while the filter is on.
    actFilterOn = makeAction("actFilterOn", QStringLiteral("Фильтр"), {}, [this] { applyFilter(); },
                             QStringLiteral("Активизировать фильтр"));
    actFilterOn->setCheckable(true);
    pnlFilter = new QWidget(tsList);
    pnlFilter->setObjectName(QStringLiteral("pnlFilter"));
    auto *filterRow = new QHBoxLayout(pnlFilter);
    filterRow->setContentsMargins(4, 2, 4, 2);
    auto filterCombo = [this, filterRow](const char *name, const QString &label, TDataSet *list, const char *key,
                                         const char *field) {
        auto *source = new TDataSource(this);
        source->SetDataSet(list);
        auto *combo = new TDBLookupComboboxEh(pnlFilter);
        combo->setObjectName(QString::fromLatin1(name));
        combo->SetListSource(source);
        combo->SetKeyField(QString::fromLatin1(key));
        combo->SetListField(QString::fromLatin1(field));
        combo->OnKeyValueChanged = [this](QObject *) {
            if (actFilterOn->isChecked())
                guard([this] { applyFilter(); });
        };
        filterRow->addWidget(new QLabel(label, pnlFilter));
        filterRow->addWidget(combo, 1);
        return combo;
    };
    // The panel chooses from the data module's district lists, apart from the detail page's drop-downs, so that
    // a pick there does not move the filter's choice. They open and close with the guide's other lists.
    TDataSet *areaList = DM ? DM->cdsAreaList() : nullptr;
    TDataSet *subAreaList = DM ? DM->cdsSubAreaList() : nullptr;
    for (TDataSet *list : {areaList, subAreaList})
        if (list)
            lookups << list;
    cbFilterStreet = filterCombo("cbFilterStreet", QStringLiteral("Улица"), m_filterStreets, "STREET_ID", "STREET_NAME");
    cbFilterArea = filterCombo("cbFilterArea", QStringLiteral("Район"), areaList, "AREA_ID", "AREA_NAME");
    cbFilterSubArea = filterCombo("cbFilterSubArea", QStringLiteral("Участок"), subAreaList, "SUBAREA_ID",
                                  "SUBAREA_NAME");
    pnlFilter->setVisible(false);
    if (auto *listLayout = qobject_cast<QVBoxLayout *>(tsList->layout()))
        listLayout->insertWidget(listLayout->indexOf(dbgList), pnlFilter);

    // The statistics report over the list as it is filtered and sorted.
    frHouse = new TfrReport(this);
    frHouse->setObjectName(QStringLiteral("frHouse"));
    m_reportSource = new TfrDBDataSet(this);
    m_reportSource->setObjectName(QStringLiteral("frDBDataSetcdsHouse"));
    m_reportSource->SetDataSet(L);
    frHouse->Dataset = m_reportSource;
    ComponentRegistry::instance().registerComponent(this, m_reportSource, QStringLiteral("frDBDataSetcdsHouse"));
    ComponentRegistry::instance().registerComponent(this, frHouse, QStringLiteral("frHouse"));
    actRepHouse = makeAction("actRepHouse", QStringLiteral("Отчет"), QKeySequence(Qt::CTRL | Qt::Key_P),
                             [this] { printReport(false); }, QStringLiteral("Печать отчета"));
    actReportDesign = makeAction("actReportDesign", QStringLiteral("Дизайнер отчета"), {},
                                 [this] { printReport(true); });
    auto *reportMenu = new QMenu(this);
    reportMenu->addActions({actRepHouse, actReportDesign});
    actRepHouse->setMenu(reportMenu);
    tbList->addSeparator();
    tbList->addAction(actFilterOn);
    tbList->addAction(actRepHouse);
    pmGuide->addSeparator();
    pmGuide->addActions({actFilterOn, actRepHouse, actReportDesign});
}

TfrmHouseGuide::~TfrmHouseGuide() = default;

void TfrmHouseGuide::newRecord(TDataSet *ds)
{
    ds->FieldByName(QStringLiteral("LOCATION_ID"))->SetValue(minId("LOCATION_ID", "LOCATION"));
    ds->FieldByName(QStringLiteral("AREA_ID"))->SetValue(minId("AREA_ID", "AREA"));
    ds->FieldByName(QStringLiteral("SUBAREA_ID"))->SetValue(minId("SUBAREA_ID", "SUBAREA"));
    ds->FieldByName(QStringLiteral("STREET_ID"))->SetValue(minId("STREET_ID", "STREET"));
    ds->FieldByName(QStringLiteral("Q_FLAT"))->SetValue(0);
    TfrmGuide::newRecord(ds);
}

void TfrmHouseGuide::actInsertRecordExecute()
{
    pcMain->setCurrentWidget(tsDetail);
    if (!L || !L->Active())
        return;
    if (L->State() == dsInsert) {
        Services::messages()->information(QStringLiteral("Вы уже находитесь в режиме добавления"));
        return;
    }
    if (L->State() == dsEdit) {
        Services::messages()->information(QStringLiteral(
            "Вы находитесь в режиме корректировки. Для добавления новой записи нужно записать введенные изменения"));
        return;
    }
    L->Last();
    QApplication::processEvents();
    if (cbStreet->isEnabled())
        cbStreet->setFocus();
    L->Append();
    if (L->State() == dsInsert) {
        cbStreet->setFocus();
        QApplication::processEvents();
    } else {
        Services::messages()->error(QStringLiteral("Ошибка добавления"));
    }
}

void TfrmHouseGuide::actEditRecordExecute()
{
    pcMain->setCurrentWidget(tsDetail);
    if (!hasRows())
        return;
    FStreetId = L->FieldByName(QStringLiteral("STREET_ID"))->Value();
    if (!isEditing())
        L->Edit();
    cbStreet->setFocus();
}

bool TfrmHouseGuide::validateInput()
{
    // A house without a street shows in no list: the houses list and the card's house lists go by the street.
    if (!isKey(L->FieldByName(QStringLiteral("STREET_ID"))->Value())) {
        Services::messages()->error(QStringLiteral("Не выбрана улица"));
        cbStreet->setFocus();
        return false;
    }
    if (L->FieldByName(QStringLiteral("HOUSE_NO"))->AsString().trimmed().isEmpty()) {
        Services::messages()->error(QStringLiteral("Не введен № дома"));
        edtHouseNo->setFocus();
        return false;
    }
    if (L->FieldByName(QStringLiteral("Q_FLAT"))->IsNull()) {
        Services::messages()->error(QStringLiteral("Не введено количество квартир"));
        edtQFlat->setFocus();
        return false;
    }
    return true;
}

QString TfrmHouseGuide::deleteName() const
{
    if (!hasRows())
        return {};
    return L->FieldByName(QStringLiteral("RO_SREET_NAME"))->AsString() + QLatin1Char(' ')
        + L->FieldByName(QStringLiteral("HOUSE_NO"))->AsString();
}

void TfrmHouseGuide::afterApply()
{
    if (!hasRows())
        return;
    // The joined names and counts of the stored row as the database has them now.
    if (auto *cds = qobject_cast<TClientDataSet *>(L)) {
        const QVariant key = keyField()->Value();
        cds->Refresh();
        cds->Locate(QStringLiteral("HOUSE_ID"), key);
    }
    if (!isKey(FStreetId) && (FStreetId.isNull() || !FStreetId.isValid()))
        return;
    const QVariant street = L->FieldByName(QStringLiteral("STREET_ID"))->Value();
    if (FStreetId.toDouble() == street.toDouble())
        return;
    if (DM)
        DM->RebuildStreetCustCodes(street);
    FStreetId = QVariant();
}

bool TfrmHouseGuide::searchRecord()
{
    auto *cds = qobject_cast<TKyv_ClientDataSet *>(L);
    if (!edtSearch || !cds || !cds->Active())
        return false;
    if (edtSearch->text().isEmpty())
        return TfrmGuide::searchRecord();
    const QString text = CustSearchText(cds->IndexName(), edtSearch->text());
    const bool found = cds->LocateByValues(text);
    QPalette palette = edtSearch->palette();
    palette.setColor(QPalette::Text, found ? palette.color(QPalette::WindowText) : QColor(Qt::red));
    edtSearch->setPalette(palette);
    return found;
}

void TfrmHouseGuide::applyFilter()
{
    if (!L)
        return;
    L->SetFiltered(false);
    L->SetFilter(QString());
    pnlFilter->setVisible(actFilterOn->isChecked());
    if (actFilterOn->isChecked()) {
        // Another window may have closed the shared district lists meanwhile.
        for (TDBLookupComboboxEh *combo : {cbFilterArea, cbFilterSubArea})
            if (TDataSet *list = combo->ListSource() ? combo->ListSource()->DataSet() : nullptr; list && !list->Active())
                list->Open();
        L->SetFilter(HouseFilterText(cbFilterStreet->KeyValue(), cbFilterArea->KeyValue(), cbFilterSubArea->KeyValue()));
        L->SetFiltered(true);
    }
    if (L->Active())
        L->First();
}

void TfrmHouseGuide::printReport(bool design)
{
    if (!dmReports) {
        LogError(QStringLiteral("frmHouseGuide: the reports module is not available"));
        return;
    }
    dmReports->ShowReport(frHouse, QStringLiteral("СтатистикаПоДомам.frf"),
                          design ? TReportShow::Designer : TReportShow::ModalPreview);
}

bool executeHouseGuide(const QVariant &initKey, int mode, QVariant &outKey)
{
    return ExecuteGuide(frmHouseGuide, initKey, mode, outKey);
}
