#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;
class QWidget;

// The print dialog of the preview: printer, page range, copies, collation and odd or even pages.
class TfrPrintForm : public QDialog
{
    Q_OBJECT
public:
    explicit TfrPrintForm(QWidget *parent = nullptr);

    // The caller's defaults and the answers.
    void SetCopies(int copies);
    int Copies() const;
    void SetCollate(bool collate);
    bool Collate() const;
    // Empty for all pages, the current page number, or the typed page list.
    QString PageList(int currentPage) const;
    // 0 all pages of the range, 1 odd pages, 2 even pages.
    int PagesToPrint() const;

    QComboBox *CB1 = nullptr;
    QPushButton *PropButton = nullptr;
    QRadioButton *RB1 = nullptr, *RB2 = nullptr, *RB3 = nullptr;
    QLineEdit *E1 = nullptr, *E2 = nullptr;
    QToolButton *UpButton = nullptr, *DownButton = nullptr;
    QCheckBox *CollateCB = nullptr;
    QLabel *Label3 = nullptr;
    QWidget *PB1 = nullptr;
    QComboBox *CB2 = nullptr;
    QPushButton *Button1 = nullptr, *Button2 = nullptr;

    void done(int result) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int m_keptPrinter = 0;
};
