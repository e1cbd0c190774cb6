#include "frmuCustFilterOptions.h"

#include "DBCtrlsEh.h"
#include "DBLookupEh.h"
#include "DataSource.h"
#include "Guard.h"
#include "Kyv_db.h"
#include "MemTable.h"
#include "dmuCust.h"
#include "dmuDM.h"
#include "uCustDialogs.h"
#include "uDialogButtons.h"
#include "uWindowActions.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <memory>

namespace {

TDataSource *custSource(const char *name)
{
    return custDM ? custDM->DataSource(QString::fromLatin1(name)) : nullptr;
}

TDataSet *custList(const char *name)
{
    if (!custDM)
        return nullptr;
    if (TDataSet *ds = custDM->ClientDataSet(QString::fromLatin1(name)))
        return ds;
    return custDM->ServerDataSet(QString::fromLatin1(name));
}

QWidget *row(QWidget *parent, std::initializer_list<QWidget *> widgets)
{
    auto *w = new QWidget(parent);
    auto *layout = new QHBoxLayout(w);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget *child : widgets)
        layout->addWidget(child);
    layout->addStretch(1);
    return w;
}

QLabel *caption(QWidget *parent, const QString &text)
{
    return new QLabel(text, parent);
}

} // namespace

TfrmCustFilterOptions::TfrmCustFilterOptions(QWidget *parent)
    : TfrmKyvModal(parent)
{
    setObjectName(QStringLiteral("frmCustFilterOptions"));
    setWindowTitle(QStringLiteral("Параметры фильтра клиентов"));
    dsTempCFG = new TDataSource(this);
    dsTempCFG->setObjectName(QStringLiteral("dsTempCFG"));
    if (DM)
        dsTempCFG->SetDataSet(DM->mdTempCFG());
    auto *areaSource = new TDataSource(this);
    auto *subAreaSource = new TDataSource(this);
    if (DM) {
        areaSource->SetDataSet(DM->cdsAreaList());
        subAreaSource->SetDataSet(DM->cdsSubAreaList());
    }

    // Address.
    auto *gbAddress = new QGroupBox(QStringLiteral("Адрес"), this);
    gbAddress->setObjectName(QStringLiteral("gbAddress"));
    cbCheckAdress = flagBox("cbCheckAdress", "CHECK_ADRESS", QStringLiteral("Включать в фильтр"));
    cbCity = boundLookup(
        this, "cbCity", dsTempCFG, "CITY_ID", custSource("dsCustFiltCityLookup"), "LOCATION_ID", "LOCATION_NAME");
    cbStreet = boundLookup(
        this, "cbStreet", dsTempCFG, "STREET_ID", custSource("dsCustFiltStreetLookup"), "STREET_ID", "STREET_NAME");
    cbHouseNo = boundLookup(
        this, "cbHouseNo", dsTempCFG, "HOUSE_ID", custSource("dsCustFiltHouseNoLookup"), "HOUSE_ID", "HOUSE_NO");
    edFlatNo = boundEdit(this, "edFlatNo", dsTempCFG, "FLAT_NO");
    cbArea = boundLookup(this, "cbArea", dsTempCFG, "AREA_ID", areaSource, "AREA_ID", "AREA_NAME");
    cbSubArea = boundLookup(this, "cbSubArea", dsTempCFG, "SUBAREA_ID", subAreaSource, "SUBAREA_ID", "SUBAREA_NAME");
    cbDoubleAddress = flagBox("cbDoubleAddress", "DoubleAddress", QStringLiteral("Повторяются адреса"));
    cbDoubleAddress->setEnabled(false);
    for (QWidget *w : std::initializer_list<QWidget *> { cbCity, cbStreet, cbHouseNo })
        w->installEventFilter(this);
    auto *address = new QGridLayout(gbAddress);
    address->addWidget(cbCheckAdress, 0, 0, 1, 4);
    address->addWidget(caption(this, QStringLiteral("Нас. пункт")), 1, 0);
    address->addWidget(cbCity, 1, 1, 1, 3);
    address->addWidget(caption(this, QStringLiteral("Улица")), 2, 0);
    address->addWidget(cbStreet, 2, 1, 1, 3);
    address->addWidget(caption(this, QStringLiteral("№ дома")), 3, 0);
    address->addWidget(cbHouseNo, 3, 1);
    address->addWidget(caption(this, QStringLiteral("Кв.")), 3, 2);
    address->addWidget(edFlatNo, 3, 3);
    address->addWidget(caption(this, QStringLiteral("Район")), 4, 0);
    address->addWidget(cbArea, 4, 1, 1, 3);
    address->addWidget(caption(this, QStringLiteral("Участок")), 5, 0);
    address->addWidget(cbSubArea, 5, 1, 1, 3);
    address->addWidget(cbDoubleAddress, 6, 0, 1, 4);

    // Debt.
    auto *gbDebt = new QGroupBox(QStringLiteral("Долг"), this);
    gbDebt->setObjectName(QStringLiteral("gbDebt"));
    cbCheckDebt = flagBox("cbCheckDebt", "CHECK_DEBT", QStringLiteral("Включать в фильтр"));
    rbDebtValue = new QRadioButton(QStringLiteral("Значение"), this);
    rbDebtValue->setObjectName(QStringLiteral("rbDebtValue"));
    rbDebtRange = new QRadioButton(QStringLiteral("Диапазон"), this);
    rbDebtRange->setObjectName(QStringLiteral("rbDebtRange"));
    (field("DebtMode")->AsInteger() == 1 ? rbDebtRange : rbDebtValue)->setChecked(true);
    connect(rbDebtRange, &QRadioButton::toggled, this,
        guarded([this](bool range) { setField("DebtMode", range ? 1 : 0); }));
    cbDebtSign = listBox("cbDebtSign", "DEBT_SIGN",
        { QStringLiteral("<"), QStringLiteral("<="), QStringLiteral("="), QStringLiteral(">="), QStringLiteral(">"),
            QStringLiteral("<>") });
    edDebtSum = boundNumber(this, "edDebtSum", dsTempCFG, "DEBT_SUM");
    edDebtFrom = boundNumber(this, "edDebtFrom", dsTempCFG, "DebtFrom");
    edDebtTo = boundNumber(this, "edDebtTo", dsTempCFG, "DebtTo");
    auto *debt = new QGridLayout(gbDebt);
    debt->addWidget(cbCheckDebt, 0, 0, 1, 4);
    debt->addWidget(rbDebtValue, 1, 0);
    debt->addWidget(cbDebtSign, 1, 1);
    debt->addWidget(edDebtSum, 1, 2, 1, 2);
    debt->addWidget(rbDebtRange, 2, 0);
    debt->addWidget(
        row(this, { caption(this, QStringLiteral("c")), edDebtFrom, caption(this, QStringLiteral("по")), edDebtTo }), 2,
        1, 1, 3);

    // States.
    auto *gbState = new QGroupBox(QStringLiteral("Состояние"), this);
    gbState->setObjectName(QStringLiteral("gbState"));
    cbState1 = flagBox("cbState1", "STATE_1", QStringLiteral("Подключен к пакету"));
    cbState5 = flagBox("cbState5", "STATE_5", QStringLiteral("Отключен по заявке"));
    cbState6 = flagBox("cbState6", "STATE_6", QStringLiteral("Отключен за неуплату"));
    for (QCheckBox *box : { cbState1, cbState5, cbState6 })
        box->installEventFilter(this);
    cbActServ = boundLookup(
        this, "cbActServ", dsTempCFG, "ACT_SERV_ID", custSource("dsCustFilterActServLookup"), "SERV_ID", "SERV_DESCR");
    cbSubscrHist = flagBox("cbSubscrHist", "SUBSCR_HIST_SGN", QStringLiteral("Еще не подключались"));
    cbNotice = flagBox("cbNotice", "NOTICE_SGN", QStringLiteral("Только клиенты с не пустым примечанием"));
    cbDiscountFactor
        = flagBox("cbDiscountFactor", "DISCOUNT_FACTOR_SGN", QStringLiteral("Только клиенты, имеющие скидку"));
    auto *state = new QGridLayout(gbState);
    state->addWidget(cbState1, 0, 0);
    state->addWidget(cbActServ, 0, 1);
    state->addWidget(cbState5, 1, 0, 1, 2);
    state->addWidget(cbState6, 2, 0, 1, 2);
    state->addWidget(cbSubscrHist, 3, 0, 1, 2);
    state->addWidget(cbNotice, 4, 0, 1, 2);
    state->addWidget(cbDiscountFactor, 5, 0, 1, 2);

    const QStringList letterTypes { QStringLiteral("---"), QStringLiteral("Первичное уведомление"),
        QStringLiteral("Вторичное уведомление"), QStringLiteral("Исковое заявление") };

    // Period.
    auto *gbPeriod = new QGroupBox(QStringLiteral("Период"), this);
    gbPeriod->setObjectName(QStringLiteral("gbPeriod"));
    cbPeriod = flagBox("cbPeriod", "PERIOD_SGN", QStringLiteral("Включать в фильтр"));
    edDateFrom = boundDate(this, "edDateFrom", dsTempCFG, "DATE_FROM");
    edDateTo = boundDate(this, "edDateTo", dsTempCFG, "DATE_TO");
    cbServ = boundLookup(
        this, "cbServ", dsTempCFG, "SERV_ID", custSource("dsCustFilterServLookup"), "SERV_ID", "SERV_DESCR");
    cbAct = flagBox("cbAct", "ACT_SGN", QStringLiteral("Подключались"));
    cbActR = flagBox("cbActR", "ACT_R_SGN", QStringLiteral("Повторно подключались"));
    cbDizact = flagBox("cbDizact", "DIZACT_SGN", QStringLiteral("Отключались по заявке"));
    cbDizactN = flagBox("cbDizactN", "DIZACT_N_SGN", QStringLiteral("Отключались за неуплату"));
    cbPay = flagBox("cbPay", "PAY_SGN", QStringLiteral("Платили"));
    cbContractDate = flagBox("cbContractDate", "CONTRACT_DATE_SGN", QStringLiteral("Заключали договор"));
    cbCustLetter = flagBox("cbCustLetter", "CUSTLETTER_SGN", QStringLiteral("Отсылались письма типа"));
    cbCustLetterNot1 = flagBox("cbCustLetterNot1", "CustLetterNotSgn1", QStringLiteral("Не"));
    cbLetterType1 = listBox("cbLetterType1", "LetterTypeId1", letterTypes);
    auto *period = new QGridLayout(gbPeriod);
    period->addWidget(cbPeriod, 0, 0, 1, 2);
    period->addWidget(row(this,
                          { caption(this, QStringLiteral("За период с:")), edDateFrom,
                              caption(this, QStringLiteral("по")), edDateTo }),
        1, 0, 1, 2);
    period->addWidget(caption(this, QStringLiteral("Пакет услуг")), 2, 0);
    period->addWidget(cbServ, 2, 1);
    period->addWidget(cbAct, 3, 0);
    period->addWidget(cbActR, 3, 1);
    period->addWidget(cbDizact, 4, 0);
    period->addWidget(cbDizactN, 4, 1);
    period->addWidget(cbPay, 5, 0);
    period->addWidget(cbContractDate, 5, 1);
    period->addWidget(row(this, { cbCustLetterNot1, cbCustLetter, cbLetterType1 }), 6, 0, 1, 2);

    auto *gbLetters2 = new QGroupBox(QStringLiteral("Письма"), this);
    gbLetters2->setObjectName(QStringLiteral("gbLetters2"));
    cbPeriod2 = flagBox("cbPeriod2", "Period_Sgn2", QStringLiteral("Включать в фильтр"));
    edDateFrom2 = boundDate(this, "edDateFrom2", dsTempCFG, "DATE_FROM2");
    edDateTo2 = boundDate(this, "edDateTo2", dsTempCFG, "DATE_TO2");
    cbCustLetter2 = flagBox("cbCustLetter2", "CustLetter_Sgn2", QStringLiteral("Отсылались письма типа"));
    cbCustLetterNot2 = flagBox("cbCustLetterNot2", "CustLetterNotSgn2", QStringLiteral("Не"));
    cbLetterType2 = listBox("cbLetterType2", "LetterTypeId2", letterTypes);
    auto *letters2 = new QVBoxLayout(gbLetters2);
    letters2->addWidget(cbPeriod2);
    letters2->addWidget(row(this,
        { caption(this, QStringLiteral("За период с:")), edDateFrom2, caption(this, QStringLiteral("по")),
            edDateTo2 }));
    letters2->addWidget(row(this, { cbCustLetterNot2, cbCustLetter2, cbLetterType2 }));

    // Other.
    auto *gbOther = new QGroupBox(QStringLiteral("Договор"), this);
    gbOther->setObjectName(QStringLiteral("gbOther"));
    cbInvalidContractDate
        = flagBox("cbInvalidContractDate", "INVALID_CONTRACT_DATE", QStringLiteral("Дата договора > даты подключения"));
    cbCustPropDescr = boundLookup(this, "cbCustPropDescr", dsTempCFG, "CUST_PROP_DESCR",
        custSource("dsCustFilterPropDescr"), "CUST_PROP_DESCR", "CUST_PROP_DESCR");
    cbValidTo = flagBox("cbValidTo", "VALID_TO_SGN", QStringLiteral("Включать в фильтр"));
    cbValidToOn = flagBox("cbValidToOn", "VALID_TO_ON", QStringLiteral("Не прервавшие договор"));
    cbValidToOff = flagBox("cbValidToOff", "VALID_TO_OFF", QStringLiteral("Прервавшие договор"));
    auto *other = new QGridLayout(gbOther);
    other->addWidget(cbInvalidContractDate, 0, 0, 1, 2);
    other->addWidget(caption(this, QStringLiteral("Краткий статус:")), 1, 0);
    other->addWidget(cbCustPropDescr, 1, 1);
    other->addWidget(cbValidTo, 2, 0, 1, 2);
    other->addWidget(cbValidToOn, 3, 0);
    other->addWidget(cbValidToOff, 3, 1);

    QDialogButtonBox *buttons = ReadyCancelButtons(btnOk, btnCancel);
    connect(btnOk, &QPushButton::clicked, this, guarded([this](bool) {
        // What is still typed in the focused input belongs to the record too.
        if (TDataSet *record = dsTempCFG->DataSet(); isEditing(record))
            record->UpdateRecord();
        accept();
    }));
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *columns = new QHBoxLayout;
    auto *left = new QVBoxLayout;
    left->addWidget(gbAddress);
    left->addWidget(gbDebt);
    left->addWidget(gbState);
    auto *right = new QVBoxLayout;
    right->addWidget(gbPeriod);
    right->addWidget(gbLetters2);
    right->addWidget(gbOther);
    columns->addLayout(left);
    columns->addLayout(right);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addWidget(buttons);
}

TfrmCustFilterOptions::~TfrmCustFilterOptions() = default;

TField *TfrmCustFilterOptions::field(const char *name) const
{
    return dsTempCFG->DataSet()->FieldByName(QString::fromLatin1(name));
}

void TfrmCustFilterOptions::setField(const char *name, const QVariant &value)
{
    TDataSet *record = dsTempCFG->DataSet();
    if (!record)
        return;
    if (!isEditing(record))
        record->Edit();
    field(name)->SetValue(value);
}

QCheckBox *TfrmCustFilterOptions::flagBox(const char *name, const char *fieldName, const QString &text)
{
    auto *box = new QCheckBox(text, this);
    box->setObjectName(QString::fromLatin1(name));
    m_flags[box] = fieldName;
    if (dsTempCFG->DataSet())
        box->setChecked(field(fieldName)->AsInteger() == 1);
    connect(box, &QCheckBox::toggled, this, guarded([this, fieldName](bool on) { setField(fieldName, on ? 1 : 0); }));
    return box;
}

QComboBox *TfrmCustFilterOptions::listBox(const char *name, const char *fieldName, const QStringList &items)
{
    auto *box = new QComboBox(this);
    box->setObjectName(QString::fromLatin1(name));
    // The item's index is the value kept.
    box->addItems(items);
    if (dsTempCFG->DataSet() && !field(fieldName)->IsNull())
        box->setCurrentIndex(field(fieldName)->AsInteger());
    connect(box, &QComboBox::currentIndexChanged, this, guarded([this, fieldName](int index) {
        if (index >= 0)
            setField(fieldName, index);
    }));
    return box;
}

void TfrmCustFilterOptions::showFlags()
{
    for (const auto &[box, fieldName] : m_flags) {
        const QSignalBlocker quiet(box);
        box->setChecked(field(fieldName)->AsInteger() == 1);
    }
}

void TfrmCustFilterOptions::reopen(TDataSet *ds)
{
    if (!ds)
        return;
    ds->Close();
    ds->Open();
}

bool TfrmCustFilterOptions::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn && (watched == cbCity || watched == cbStreet))
        guard([this] { reopen(custList("cdsCustFiltStreetLookup")); });
    if (event->type() == QEvent::FocusIn && watched == cbHouseNo)
        guard([this] { reopen(custList("cdsCustFiltHouseNoLookup")); });
    // A customer is connected or cut off, not both: leaving a ticked state clears the others.
    if (event->type() == QEvent::FocusOut) {
        auto *box = qobject_cast<QCheckBox *>(watched);
        if (box == cbState1 && box->isChecked())
            guard([this] {
                setField("STATE_5", 0);
                setField("STATE_6", 0);
                showFlags();
            });
        if ((box == cbState5 || box == cbState6) && box->isChecked())
            guard([this] {
                setField("STATE_1", 0);
                showFlags();
            });
    }
    return TfrmKyvModal::eventFilter(watched, event);
}

void TfrmCustFilterOptions::changeEvent(QEvent *event)
{
    TfrmKyvModal::changeEvent(event);
    MinimiseProgramWith(this, event);
}

bool executeCustFilterOptions()
{
    if (!DM || !custDM)
        return false;
    TMemTable *record = DM->mdTempCFG();
    if (!isEditing(record))
        record->Edit();
    const std::initializer_list<TDataSet *> lookups { DM->cdsAreaList(), DM->cdsSubAreaList(),
        custList("cdsCustFiltStreetLookup"), custList("cdsCustFiltHouseNoLookup"), custList("odsCustFilterServLookup"),
        custList("odsCustFilterActServLookup"), custList("odsCustFilterPropDescr"), custList("odsCustFiltCityLookup") };
    for (TDataSet *ds : lookups)
        if (ds && !ds->Active())
            ds->Open();
    bool ready = false;
    {
        const std::unique_ptr<TfrmCustFilterOptions> dialog(new TfrmCustFilterOptions);
        ready = dialog->exec() == QDialog::Accepted;
    }
    // The house-number list stays open: the list window finds the chosen house number in it.
    for (TDataSet *ds : lookups)
        if (ds && ds != custList("cdsCustFiltHouseNoLookup"))
            ds->Close();
    return ready;
}
