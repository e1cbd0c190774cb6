#include "FR_Templ.h"

#include "FR_Fields.h"
#include "FR_Locale.h"

#include "Services.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrTemplNewForm::TfrTemplNewForm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frTemplNewForm"));
    setWindowTitle(GetLocaleString(53320));
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    auto *label1 = new QLabel(GetLocaleString(53321), this);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->setBuddy(Memo1);

    auto *pictureBox = new QGroupBox(GetLocaleString(53322), this);
    pictureBox->setObjectName(QStringLiteral("GroupBox2"));
    auto *panel1 = new QFrame(pictureBox);
    panel1->setObjectName(QStringLiteral("Panel1"));
    panel1->setFrameShape(QFrame::StyledPanel);
    panel1->setFrameShadow(QFrame::Sunken);
    Image1 = new QLabel(panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setAlignment(Qt::AlignCenter);
    (new QVBoxLayout(panel1))->addWidget(Image1);
    panel1->setMinimumSize(150, 120);
    Button1 = DesignerDialogButton(pictureBox, "Button1", 53323);
    auto *pictureLayout = new QVBoxLayout(pictureBox);
    pictureLayout->addWidget(panel1, 1);
    pictureLayout->addWidget(Button1, 0, Qt::AlignRight);

    auto *comment = new QVBoxLayout;
    comment->addWidget(label1);
    comment->addWidget(Memo1);
    auto *panes = new QHBoxLayout;
    panes->addLayout(comment, 1);
    panes->addWidget(pictureBox);
    QHBoxLayout *buttons = OkCancelButtons(this, Button2, Button3);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button3->setObjectName(QStringLiteral("Button3"));
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(panes);
    layout->addLayout(buttons);

    connect(Button1, &QPushButton::clicked, this, [this] { BrowseClick(); });
    Memo1->setFocus();
}

bool TfrTemplNewForm::Execute(QStringList &description, QImage &picture)
{
    TfrTemplNewForm form;
    if (form.exec() != QDialog::Accepted)
        return false;
    const QString text = form.Memo1->toPlainText();
    description = text.isEmpty() ? QStringList() : text.split(u'\n');
    picture = form.m_picture;
    return true;
}

void TfrTemplNewForm::BrowseClick()
{
    FileDialogRequest request;
    request.filter = GetLocaleString(55217) + QStringLiteral(" (*.bmp)|*.bmp");
    if (!Services::dialogs()->openPicture(request))
        return;
    QImage picture;
    if (!picture.load(request.fileName)) {
        Services::messages()->error(QStringLiteral("Файл «%1» не является рисунком").arg(request.fileName));
        return;
    }
    m_picture = picture;
    Image1->setPixmap(QPixmap::fromImage(m_picture));
}
