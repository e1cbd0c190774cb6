#pragma once

#include <QDialog>

class QGroupBox;
class QPushButton;

// The type of a new band: one radio button per band type, those the designer's page cannot take greyed.
class TfrBandTypesForm : public QDialog
{
    Q_OBJECT
public:
    explicit TfrBandTypesForm(QWidget *parent = nullptr);

    // Offers the types the designer's current page can take (fewer on a page that a subreport shows); on OK
    // answers true with the chosen type in `bandType`.
    static bool Execute(bool subreportPage, int &bandType);

    QGroupBox *GB1;
    QPushButton *Button1, *Button2;
    int BandType = 0;
    bool SubreportPage = false;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FillTypes();
};
