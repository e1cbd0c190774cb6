#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// The change of the current user's database password: the old one (any letter case) and the new one twice.
class TfrmChangePassword : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmChangePassword(const QString &currentPassword, QWidget *parent = nullptr);

    QLabel *lblOldPassword = nullptr;
    QLineEdit *edUserNameOldPassword = nullptr;
    QLineEdit *edNewPassword = nullptr;
    QLineEdit *edConfirmPassword = nullptr;
    QPushButton *btnApply = nullptr;
    QPushButton *btnCancel = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void btnApplyClick();

    QString m_currentPassword;
};

// True when the user confirmed a valid change; `newPassword` then holds it.
bool ExecuteChangePassword(const QString &currentPassword, QString &newPassword);
