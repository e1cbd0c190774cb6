#include "uDialogButtons.h"

#include <QDialogButtonBox>
#include <QPushButton>

QDialogButtonBox *ReadyCancelButtons(QPushButton *&btnOk, QPushButton *&btnCancel)
{
    auto *buttons = new QDialogButtonBox;
    btnOk = buttons->addButton(QStringLiteral("Готово"), QDialogButtonBox::AcceptRole);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnCancel = buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    return buttons;
}
