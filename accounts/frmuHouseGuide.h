#pragma once

#include "frmuGuide.h"

class QWidget;
class TDBLookupComboboxEh;
class TDBNumberEditEh;
class TfrReport;
class TfrDBDataSet;

// The filter text of the houses list for the street, district and sub-area chosen in the filter panel: each
// key that is neither Null nor 0 adds its condition, joined with " and "; empty when none is chosen.
QString HouseFilterText(const QVariant &streetId, const QVariant &areaId, const QVariant &subAreaId);

// The houses, each with its street, sub-area and settlement, how many of its customers are connected and how
// many are not, and the share of its flats connected. A house is edited through pickers of the four other
// address guides; moving a house to another street rebuilds the customer codes of that street.
class TfrmHouseGuide : public TfrmGuide
{
    Q_OBJECT
public:
    explicit TfrmHouseGuide(QWidget *parent = nullptr);
    ~TfrmHouseGuide() override;

    QAction *actFilterOn = nullptr, *actRepHouse = nullptr, *actReportDesign = nullptr;
    QAction *actSelectStreet = nullptr, *actSelectArea = nullptr, *actSelectSubArea = nullptr,
            *actSelectLocation = nullptr;
    QWidget *pnlFilter = nullptr;
    TDBLookupComboboxEh *cbFilterStreet = nullptr, *cbFilterArea = nullptr, *cbFilterSubArea = nullptr;
    TDBLookupComboboxEh *cbStreet = nullptr, *cbArea = nullptr, *cbSubArea = nullptr, *cbLocation = nullptr;
    TDBEditEh *edtHouseNo = nullptr;
    TDBNumberEditEh *edtQFlat = nullptr;
    TfrReport *frHouse = nullptr;

    // The street id the house had when its edit began; Null when no edit is pending a rebuild.
    QVariant FStreetId;

    void actInsertRecordExecute() override;
    void actEditRecordExecute() override;
    bool validateInput() override;
    QString deleteName() const override;
    bool searchRecord() override;
    // Rebuilds the list's filter from the panel (the filter switched on or off by actFilterOn).
    void applyFilter();

protected:
    void newRecord(TDataSet *ds) override;
    void afterApply() override;

private:
    void printReport(bool design);

    TDataSet *m_streets = nullptr, *m_areas = nullptr, *m_subAreas = nullptr, *m_locations = nullptr;
    TDataSet *m_filterStreets = nullptr;
    TfrDBDataSet *m_reportSource = nullptr;
};

extern TfrmHouseGuide *frmHouseGuide;

// Null in outKey when the window is not closed with Ok.
bool executeHouseGuide(const QVariant &initKey, int mode, QVariant &outKey);
