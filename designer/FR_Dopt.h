#pragma once

#include <QDialog>

class QCheckBox;
class QListWidget;
class QPushButton;

// What the report options show and answer.
struct TfrReportOptions
{
    // The report prints on the default printer; unchecked "select when the report is loaded".
    bool KeepDefaultPrinter = false;
    bool TwoPass = false;
    // The printer chosen in the engine printer's list; the dialog opens on the engine printer's current one.
    int PrinterIndex = 0;
};

// The report options: the printer the report is laid out for, whether it is chosen when the report is loaded,
// and two-pass building.
class TfrDocOptForm : public QDialog
{
    Q_OBJECT
public:
    explicit TfrDocOptForm(QWidget *parent = nullptr);

    // Shows the values; on OK answers true with the values read back.
    static bool Execute(TfrReportOptions &values);

    QCheckBox *CB1, *CB2;
    QListWidget *LB1;
    QPushButton *Button1, *Button2;
};
