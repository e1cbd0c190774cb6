#include "FR_About.h"

#include "FR_DialogKit.h"
#include "FR_Fields.h"
#include "FR_Locale.h"

#include "Services.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace {

// Shows the top-left part of the logo the size of the box; the logo's transparent parts show the box's
// background.
class LogoBox : public QWidget
{
public:
    LogoBox(const QPixmap &logo, QWidget *parent)
        : QWidget(parent)
        , m_logo(logo)
    {
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.drawPixmap(QPoint(0, 0), m_logo, rect());
    }

private:
    const QPixmap &m_logo;
};

QLabel *Text(const QString &text, const QRect &geometry, Qt::Alignment alignment, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setGeometry(geometry);
    label->setAlignment(alignment);
    label->setWordWrap(true);
    return label;
}

} // namespace

TfrAboutForm::TfrAboutForm(QWidget *parent)
    : QDialog(parent)
    , Logo(DesignerGlyph(QStringLiteral("LOGO")))
{
    setObjectName(QStringLiteral("frAboutForm"));
    setWindowTitle(GetLocaleString(53540));
    setFixedSize(261, 282);
    // The box has a fixed size; its texts are set small enough to fit it.
    QFont small = font();
    small.setPointSize(8);
    setFont(small);

    auto *bevel = new QFrame(this);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameShape(QFrame::Box);
    bevel->setFrameShadow(QFrame::Sunken);
    bevel->setGeometry(8, 8, 245, 228);
    PaintBox1 = new LogoBox(Logo, this);
    PaintBox1->setObjectName(QStringLiteral("PaintBox1"));
    PaintBox1->setGeometry(16, 16, 227, 73);
    auto *version = Text(QStringLiteral("Version 2.47"), QRect(110, 62, 130, 15), Qt::AlignRight, this);
    version->setObjectName(QStringLiteral("Label1"));
    auto *title = Text(QStringLiteral("Отчёты программы tarvik\nдля кабельного телевидения"), QRect(16, 96, 227, 34),
        Qt::AlignHCenter, this);
    title->setObjectName(QStringLiteral("Label2"));
    auto *line = new QFrame(this);
    line->setObjectName(QStringLiteral("Bevel2"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(16, 136, 227, 2);
    auto *notes = Text(QStringLiteral("Здесь составляются шаблоны отчётов: страницы, секции, тексты и рисунки, "
                                      "источники данных и словарь переменных."),
        QRect(16, 144, 227, 84), Qt::AlignLeft | Qt::AlignTop, this);
    notes->setObjectName(QStringLiteral("Label3"));
    Button1 = DesignerDialogButton(this, "Button1", 55000);
    Button1->setDefault(true);
    Button1->setGeometry(93, 247, 75, 25);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
}

int TfrAboutForm::Execute()
{
    TfrAboutForm form;
    return form.exec() == QDialog::Accepted ? mrOk : mrCancel;
}
