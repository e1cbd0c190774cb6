#include "frmuChangePassword.h"

#include "Formats.h"
#include "Services.h"
#include "uCommon.h"
#include "uSettings.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmChangePassword::TfrmChangePassword(const QString &currentPassword, QWidget *parent)
    : QDialog(parent)
    , m_currentPassword(currentPassword)
{
    setObjectName(QStringLiteral("frmChangePassword"));
    setWindowTitle(QStringLiteral("Смена пароля доступа.."));
    setProperty("HelpContext", 4300);

    const auto edit = [this](const char *name, int tag, bool masked) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setProperty("Tag", tag);
        if (masked)
            e->setEchoMode(QLineEdit::Password);
        e->installEventFilter(this);
        return e;
    };
    edUserNameOldPassword = edit("edUserNameOldPassword", 1, false);
    edNewPassword = edit("edNewPassword", 2, true);
    edConfirmPassword = edit("edConfirmPassword", 3, true);
    btnApply = new QPushButton(QStringLiteral("Готово"), this);
    btnApply->setObjectName(QStringLiteral("btnApply"));
    btnCancel = new QPushButton(QStringLiteral("Отмена"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnApply, &QPushButton::clicked, this, [this] { btnApplyClick(); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    lblOldPassword = new QLabel(QStringLiteral("Прежний пароль:"), this);
    auto *fields = new QFormLayout;
    fields->addRow(lblOldPassword, edUserNameOldPassword);
    fields->addRow(QStringLiteral("Новый пароль:"), edNewPassword);
    fields->addRow(QStringLiteral("Подтверждение:"), edConfirmPassword);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnApply);
    buttons->addWidget(btnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
}

void TfrmChangePassword::btnApplyClick()
{
    if (TextToUpper(edUserNameOldPassword->text()) != TextToUpper(m_currentPassword)) {
        Services::messages()->error(QStringLiteral("Текущий пароль не соответствует введенному"));
        if (edUserNameOldPassword->isEnabled())
            edUserNameOldPassword->setFocus();
        return;
    }
    if (CompareTextCaseSensitive(edNewPassword->text(), edConfirmPassword->text()) != 0) {
        Services::messages()->error(QStringLiteral("Новый пароль не подтвержден"));
        edNewPassword->setFocus();
        return;
    }
    accept();
}

bool TfrmChangePassword::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && AppSettings().enterToTab) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const int tag = watched->property("Tag").toInt();
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && tag >= 1 && tag <= 3) {
            focusNextChild();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool ExecuteChangePassword(const QString &currentPassword, QString &newPassword)
{
    SetKeyboardLanguage(QStringLiteral("EN"));
    TfrmChangePassword dialog(currentPassword);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    newPassword = dialog.edNewPassword->text();
    return true;
}
