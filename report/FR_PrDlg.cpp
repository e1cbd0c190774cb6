#include "FR_PrDlg.h"

#include "FR_Globals.h"
#include "FR_Locale.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

namespace {

// Sheets as the collation picture shows them: three numbered sheets per set.
void paintSheets(QPainter &p, QPoint origin, bool collated)
{
    const QList<QStringList> sets = collated ? QList<QStringList>{{"1", "2", "3"}, {"1", "2", "3"}}
                                             : QList<QStringList>{{"1", "1"}, {"2", "2"}, {"3", "3"}};
    int x = origin.x();
    for (const QStringList &set : sets) {
        for (int i = 0; i < set.size(); ++i) {
            const QRect sheet(x + i * 5, origin.y() + i * 5, 18, 24);
            p.fillRect(sheet, Qt::white);
            p.setPen(Qt::black);
            p.drawRect(sheet.adjusted(0, 0, -1, -1));
            p.drawText(sheet, Qt::AlignBottom | Qt::AlignRight, set.at(i));
        }
        x += 18 + 5 * int(set.size()) + 4;
    }
}

class CollatePicture : public QWidget
{
public:
    CollatePicture(QCheckBox *collate, QWidget *parent) : QWidget(parent), m_collate(collate) {}

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), palette().button());
        if (m_collate->isChecked())
            paintSheets(p, QPoint(8, 0), true);
        else
            paintSheets(p, QPoint(0, 8), false);
    }

private:
    QCheckBox *m_collate;
};

} // namespace

TfrPrintForm::TfrPrintForm(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(GetLocaleString(53040));
    setFixedSize(485, 226);

    auto *printerBox = new QGroupBox(GetLocaleString(53041), this);
    printerBox->setObjectName("GroupBox1");
    printerBox->setGeometry(4, 8, 477, 49);
    auto *label4 = new QLabel(GetLocaleString(53049), printerBox);
    label4->setObjectName("Label4");
    label4->setGeometry(8, 20, 50, 16);
    CB1 = new QComboBox(printerBox);
    CB1->setObjectName("CB1");
    CB1->setGeometry(60, 18, 305, 22);
    PropButton = new QPushButton(GetLocaleString(53042), printerBox);
    PropButton->setObjectName("PropButton");
    PropButton->setGeometry(372, 17, 97, 25);
    label4->setBuddy(CB1);

    auto *pagesBox = new QGroupBox(GetLocaleString(53044), this);
    pagesBox->setObjectName("GroupBox2");
    pagesBox->setGeometry(4, 68, 265, 117);
    RB1 = new QRadioButton(GetLocaleString(53045), pagesBox);
    RB1->setObjectName("RB1");
    RB1->setGeometry(8, 18, 120, 17);
    RB1->setChecked(true);
    RB2 = new QRadioButton(GetLocaleString(53046), pagesBox);
    RB2->setObjectName("RB2");
    RB2->setGeometry(8, 38, 120, 17);
    RB3 = new QRadioButton(GetLocaleString(53047), pagesBox);
    RB3->setObjectName("RB3");
    RB3->setGeometry(8, 58, 80, 17);
    E2 = new QLineEdit(pagesBox);
    E2->setObjectName("E2");
    E2->setGeometry(92, 56, 165, 21);
    auto *label2 = new QLabel(GetLocaleString(53048), pagesBox);
    label2->setObjectName("Label2");
    label2->setWordWrap(true);
    label2->setGeometry(8, 80, 249, 32);

    auto *copiesBox = new QGroupBox(GetLocaleString(53043), this);
    copiesBox->setObjectName("GroupBox3");
    copiesBox->setGeometry(280, 68, 201, 117);
    auto *label1 = new QLabel(GetLocaleString(53050), copiesBox);
    label1->setObjectName("Label1");
    label1->setGeometry(8, 20, 90, 16);
    E1 = new QLineEdit(QStringLiteral("1"), copiesBox);
    E1->setObjectName("E1");
    E1->setGeometry(100, 18, 60, 21);
    UpButton = new QToolButton(copiesBox);
    UpButton->setArrowType(Qt::UpArrow);
    UpButton->setGeometry(161, 18, 17, 10);
    DownButton = new QToolButton(copiesBox);
    DownButton->setArrowType(Qt::DownArrow);
    DownButton->setGeometry(161, 28, 17, 10);
    CollateCB = new QCheckBox(copiesBox);
    CollateCB->setObjectName("CollateCB");
    CollateCB->setChecked(true);
    CollateCB->setGeometry(100, 50, 16, 16);
    Label3 = new QLabel(GetLocaleString(53051), copiesBox);
    Label3->setObjectName("Label3");
    Label3->setGeometry(118, 46, 80, 30);
    Label3->setWordWrap(true);
    Label3->installEventFilter(this);
    PB1 = new CollatePicture(CollateCB, copiesBox);
    PB1->setObjectName("PB1");
    PB1->setGeometry(6, 48, 92, 53);

    auto *label5 = new QLabel(GetLocaleString(53052), this);
    label5->setObjectName("Label5");
    label5->setGeometry(8, 196, 110, 16);
    CB2 = new QComboBox(this);
    CB2->setObjectName("CB2");
    CB2->addItems({GetLocaleString(53053), GetLocaleString(53054), GetLocaleString(53055)});
    CB2->setCurrentIndex(0);
    CB2->setGeometry(label5->x() + label5->width() + 11, 193, 150, 22);
    Button1 = new QPushButton(GetLocaleString(55000), this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    Button1->setGeometry(322, 192, 75, 25);
    Button2 = new QPushButton(GetLocaleString(55001), this);
    Button2->setObjectName("Button2");
    Button2->setGeometry(406, 192, 75, 25);

    // The platform's printers; the virtual printer is not one to print on.
    TfrPrinter &printer = EnginePrinter();
    for (int i = 0; i < printer.VirtualPrinterIndex; ++i)
        CB1->addItem(printer.Printers.at(i));
    m_keptPrinter = printer.PrinterIndex;
    if (printer.PrinterIndex < printer.VirtualPrinterIndex)
        CB1->setCurrentIndex(printer.PrinterIndex);

    connect(CB1, &QComboBox::activated, this, [](int i) { EnginePrinter().SetPrinterIndex(i); });
    connect(PropButton, &QPushButton::clicked, this, [] { EnginePrinter().ShowPrinterProperties(); });
    connect(UpButton, &QToolButton::clicked, this, [this] { SetCopies(Copies() + 1); });
    connect(DownButton, &QToolButton::clicked, this, [this] { SetCopies(Copies() - 1); });
    connect(E2, &QLineEdit::textEdited, this, [this] { RB3->setChecked(true); });
    connect(RB3, &QRadioButton::clicked, this, [this] { E2->setFocus(); });
    connect(CollateCB, &QCheckBox::toggled, PB1, qOverload<>(&QWidget::update));
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

bool TfrPrintForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Label3 && event->type() == QEvent::MouseButtonRelease)
        CollateCB->toggle();
    return QDialog::eventFilter(watched, event);
}

void TfrPrintForm::done(int result)
{
    // Leaving without OK puts back the printer that was current when the dialog opened.
    if (result != QDialog::Accepted)
        EnginePrinter().SetPrinterIndex(m_keptPrinter);
    QDialog::done(result);
}

void TfrPrintForm::SetCopies(int copies)
{
    E1->setText(QString::number(std::max(1, copies)));
}

int TfrPrintForm::Copies() const
{
    bool ok = false;
    const int n = E1->text().trimmed().toInt(&ok);
    return ok && n > 0 ? n : 1;
}

void TfrPrintForm::SetCollate(bool collate)
{
    CollateCB->setChecked(collate);
}

bool TfrPrintForm::Collate() const
{
    return CollateCB->isChecked();
}

QString TfrPrintForm::PageList(int currentPage) const
{
    if (RB2->isChecked())
        return QString::number(currentPage);
    if (RB3->isChecked())
        return E2->text();
    return QString();
}

int TfrPrintForm::PagesToPrint() const
{
    return CB2->currentIndex();
}
