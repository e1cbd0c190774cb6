#pragma once

#include "FR_Prntr.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QToolButton;
class QWidget;

// What the page options show and answer, in the page's own units: paper sizes in tenths of a millimetre,
// margins and the column gap in page pixels.
struct TfrPageOptions
{
    bool PrintToPrevPage = false;
    bool MarginsUsed = true;
    // The designer window's setting, not the page's.
    bool UnlimitedHeight = false;
    int Orientation = 0; // 0 portrait, 1 landscape
    int PaperSize = PaperA4;
    // Only a paper of the user's own size (PaperCustom) has them.
    int PaperWidth = 0, PaperHeight = 0;
    int Bin = DefaultBin;
    int LeftMargin = 0, TopMargin = 0, RightMargin = 0, BottomMargin = 0;
    int ColumnGap = 0;
    int Columns = 1;

    bool operator==(const TfrPageOptions &) const = default;
};

// The page options: paper, paper source, margins, and the page's columns. Papers and sources are those of the
// engine's printer.
class TfrPgoptForm : public QDialog
{
    Q_OBJECT
public:
    explicit TfrPgoptForm(QWidget *parent = nullptr);

    // Shows the values; on OK answers true with every value read back. A paper size or margin that does not read
    // as a number falls back (A4, all margins and the gap 0); a column count that is no whole number keeps the
    // dialog open and answers nothing.
    static bool Execute(TfrPageOptions &values);

    QTabWidget *PageControl1;
    QWidget *TabSheet1, *TabSheet2, *TabSheet3, *TabSheet4;
    QRadioButton *RB1, *RB2;
    QLabel *imgPortrait, *imgLandScape;
    QComboBox *ComB1;
    QLabel *Label1, *Label2;
    QLineEdit *E1, *E2;
    QCheckBox *CB2;
    QListWidget *BinList;
    QLineEdit *E3, *E4, *E5, *E6;
    QCheckBox *CB5;
    QCheckBox *CB1;
    QLineEdit *Edit1;
    QWidget *Panel8;
    QToolButton *SB1, *SB2;
    QLineEdit *E7;
    QPushButton *Button1, *Button2;

private:
    void SetValues(const TfrPageOptions &values);
    // False, after telling the user, when the column count is no whole number.
    bool GetValues(TfrPageOptions &values);
    void PaperChanged();
    void OrientationChanged();
    void StepColumns(int step);
    void OkClick();

    TfrPageOptions m_values;
};
