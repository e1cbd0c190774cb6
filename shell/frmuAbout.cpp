#include "frmuAbout.h"

#include "Services.h"
#include "uCommon.h"
#include "uLog.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString siteLink = QStringLiteral("https://velmora.example");
const QString mailLink = QStringLiteral("mailto:support@velmora.example");

// A static text whose click opens its link through the shell.
QLabel *linkLabel(const QString &caption, const QString &target, QWidget *parent)
{
    auto *label = new QLabel(caption, parent);
    label->setCursor(Qt::PointingHandCursor);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    label->setProperty("link", target);
    QFont font = label->font();
    font.setUnderline(true);
    label->setFont(font);
    return label;
}

} // namespace

TfrmAbout::TfrmAbout(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("О программе.."));
    setProperty("HelpContext", 20000);

    auto *panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameShape(QFrame::StyledPanel);

    auto *picture = new QLabel(QStringLiteral("tarvik"), panel);
    picture->setObjectName(QStringLiteral("ProgramIcon"));
    QFont titleFont = picture->font();
    titleFont.setPointSize(titleFont.pointSize() * 2);
    titleFont.setBold(true);
    picture->setFont(titleFont);

    auto *memo = new QPlainTextEdit(panel);
    memo->setObjectName(QStringLiteral("Memo1"));
    memo->setReadOnly(true);
    memo->setPlainText(QStringLiteral("tarvik: абоненты, услуги, тарифы и платежи кабельного телевидения.\n"
                                      "Разработчик: Velmora.\n"
                                      "Поддержка: support@velmora.example"));

    lblVersion = new QLabel(QStringLiteral("Версия: ") + GetProgramVersion(), panel);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblOS = new QLabel(OperatingSystemText(), panel);
    lblOS->setObjectName(QStringLiteral("lblOS"));
    auto *site = linkLabel(siteLink, siteLink, panel);
    auto *mail = linkLabel(QStringLiteral("support@velmora.example"), mailLink, panel);

    auto *panelLayout = new QVBoxLayout(panel);
    panelLayout->addWidget(picture);
    panelLayout->addWidget(lblVersion);
    panelLayout->addWidget(memo);
    panelLayout->addWidget(lblOS);
    panelLayout->addWidget(site);
    panelLayout->addWidget(mail);

    auto *btnClose = new QPushButton(QStringLiteral("Закрыть"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setDefault(true);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnClose);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(panel);
    layout->addLayout(buttons);

    for (QWidget *w : {static_cast<QWidget *>(panel), static_cast<QWidget *>(picture), memo->viewport(),
                       static_cast<QWidget *>(site), static_cast<QWidget *>(mail)})
        w->installEventFilter(this);
}

bool TfrmAbout::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        const QString link = watched->property("link").toString();
        if (link.isEmpty())
            accept();
        else
            Services::shell()->openDocument(link);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void ShowAboutBox()
{
    TfrmAbout box;
    box.exec();
}
