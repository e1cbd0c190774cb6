#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The options dialog of the text, CSV and RTF exports: check boxes CB1 ... CB5 (those a filter has no option
// for are not made), the scales in E1 and E2 and, for CSV, the delimiter in E3.
class TfrExportOptionsForm : public QDialog
{
    Q_OBJECT
public:
    QCheckBox *CB1 = nullptr, *CB2 = nullptr, *CB3 = nullptr, *CB4 = nullptr, *CB5 = nullptr;
    QLabel *Label1 = nullptr, *Label4 = nullptr;
    QLineEdit *E1 = nullptr, *E2 = nullptr, *E3 = nullptr;
    QPushButton *Button1 = nullptr, *Button2 = nullptr;

    // The scale edits, read back: a text that is no number is 1.0.
    void SetScales(double x, double y);
    double ScaleX() const;
    double ScaleY() const;

protected:
    struct Boxes
    {
        int cb1 = 0, cb2 = 0, cb3 = 0, cb4 = 0, cb5 = 0; // locale ids; 0 makes no box
        bool delimiter = false;
    };
    TfrExportOptionsForm(QWidget *parent, int captionId, const Boxes &boxes);
};

class TfrTXTExportForm : public TfrExportOptionsForm
{
    Q_OBJECT
public:
    explicit TfrTXTExportForm(QWidget *parent = nullptr);
};

class TfrCSVExportForm : public TfrExportOptionsForm
{
    Q_OBJECT
public:
    explicit TfrCSVExportForm(QWidget *parent = nullptr);
};

class TfrRTFExportForm : public TfrExportOptionsForm
{
    Q_OBJECT
public:
    explicit TfrRTFExportForm(QWidget *parent = nullptr);
};
