#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The display format of text objects: a category (text, number, date, time, boolean), one of its variants or a
// format string of the user's own, and for numbers the decimal digits and the separator.
class TfrFmtForm : public QDialog
{
    Q_OBJECT
public:
    explicit TfrFmtForm(QWidget *parent = nullptr);

    // Shows the format; on OK answers true with the code and the format string read back. The format string
    // changes only while a variant of the user's own is chosen.
    static bool Execute(qint32 &formatCode, QString &formatText);

    // The code packs the category in bits 24-27, the variant in 16-23, the digits in 8-15 and the separator's
    // character code in 0-7.
    qint32 FormatCode = 0;
    QString FormatText;

    QListWidget *CatLB, *TypeLB;
    QLabel *Label1, *Label2, *Label3;
    QLineEdit *DecEdit, *SplEdit, *FormatEdit;
    QPushButton *Button1, *Button2;

    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ShowCategory(int category);
    void UpdateEdits();
};
