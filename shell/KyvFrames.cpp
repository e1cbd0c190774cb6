// The small frames the list windows and dialogs are built from, and the modal dialogs' base.
#include "KyvFrames.h"

#include "Color.h"
#include "Services.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

namespace {

void setBackground(QWidget *widget, QPalette::ColorRole role, TColor color)
{
    QPalette palette = widget->palette();
    palette.setColor(role, toQColor(color));
    widget->setPalette(palette);
}

} // namespace

TSearchFrame::TSearchFrame(QWidget *parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("SearchFrame"));
    setFrameShape(QFrame::StyledPanel);
    btnSearch = new QPushButton(QStringLiteral("Поиск"), this);
    btnSearch->setObjectName(QStringLiteral("btnSearch"));
    edtSearch = new QLineEdit(this);
    edtSearch->setObjectName(QStringLiteral("edtSearch"));
    edtSearch->installEventFilter(this);
    setEditColor(false);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(btnSearch);
    layout->addWidget(edtSearch, 1);
}

void TSearchFrame::setEditColor(bool focused)
{
    setBackground(edtSearch, QPalette::Base, focused ? clWindow : clBtnFace);
}

bool TSearchFrame::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == edtSearch) {
        if (event->type() == QEvent::FocusIn)
            setEditColor(true);
        else if (event->type() == QEvent::FocusOut)
            setEditColor(false);
    }
    return QFrame::eventFilter(watched, event);
}

TOkCancelBtnsFrame::TOkCancelBtnsFrame(QWidget *parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("OkCancelBtnsFrame"));
    bbtnOk = new QPushButton(QStringLiteral("Готово"), this);
    bbtnOk->setObjectName(QStringLiteral("bbtnOk"));
    bbtnOk->setProperty("ModalResult", int(mrOk));
    bbtnOk->setDefault(true);
    bbtnCancel = new QPushButton(QStringLiteral("Отмена"), this);
    bbtnCancel->setObjectName(QStringLiteral("bbtnCancel"));
    bbtnCancel->setProperty("ModalResult", int(mrCancel));
    for (QPushButton *button : { bbtnOk, bbtnCancel })
        button->setFixedWidth(75);
    setMinimumHeight(bbtnOk->sizeHint().height() + 8);
    const auto close = [this](bool ok) {
        if (auto *dialog = qobject_cast<QDialog *>(window()))
            ok ? dialog->accept() : dialog->reject();
    };
    connect(bbtnOk, &QPushButton::clicked, this, [close] { close(true); });
    connect(bbtnCancel, &QPushButton::clicked, this, [close] { close(false); });
}

void TOkCancelBtnsFrame::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    const int top = (height() - bbtnOk->height()) / 2;
    bbtnOk->move(width() - bbtnOk->width() - bbtnCancel->width() - 10, top);
    bbtnCancel->move(width() - bbtnCancel->width() - 5, top);
}

TfrmKyvModal::TfrmKyvModal(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmKyvModal"));
    setBackground(this, QPalette::Window, clBtnFace);
    setAutoFillBackground(true);
}
