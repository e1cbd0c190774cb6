#pragma once

#include <QDialog>
#include <QStringList>

class QComboBox;
class QLineEdit;
class QPushButton;
class TKyv_Translator;

// The login dialog: user, password and one of the connection files.
class TfrmPasswordDlg : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmPasswordDlg(QWidget *parent = nullptr);

    QLineEdit *edUserName = nullptr;
    QLineEdit *edUserPassword = nullptr;
    QComboBox *cbxDatabase = nullptr;
    QPushButton *btnOk = nullptr;
    QPushButton *btnCancel = nullptr;
    TKyv_Translator *Translator = nullptr;

protected:
    // Translates the dialog into the interface language of the main window's dictionaries.
    void showEvent(QShowEvent *event) override;
};

// The open login dialog, or null.
extern TfrmPasswordDlg *frmPasswordDlg;

// Shows the dialog with the given values; on Ok the three values take what was entered and the answer is
// true, otherwise they are left as they were. A database that is not among the choices gives way to the
// first choice.
bool ExecuteLoginDialog(QString &userName, QString &password, QString &database, const QStringList &choices);
