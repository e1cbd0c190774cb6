#include "frmuPasswordDlg.h"

#include "Kyv_Translator.h"
#include "frmuMain.h"
#include "uCommon.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmPasswordDlg *frmPasswordDlg = nullptr;

TfrmPasswordDlg::TfrmPasswordDlg(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPasswordDlg"));
    setWindowTitle(QStringLiteral("Login to database"));
    setProperty("HelpContext", 4100);

    edUserName = new QLineEdit(this);
    edUserName->setObjectName(QStringLiteral("edUserName"));
    edUserName->setToolTip(QStringLiteral("Input user name (default: VMDEMO)"));
    edUserPassword = new QLineEdit(this);
    edUserPassword->setObjectName(QStringLiteral("edUserPassword"));
    edUserPassword->setEchoMode(QLineEdit::Password);
    edUserPassword->setToolTip(QStringLiteral("Input password (default: wisp)"));
    cbxDatabase = new QComboBox(this);
    cbxDatabase->setObjectName(QStringLiteral("cbxDatabase"));
    cbxDatabase->setToolTip(QStringLiteral("Select database connection (default: DEMO)"));

    btnOk = new QPushButton(QStringLiteral("Ok"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *fields = new QFormLayout;
    const auto label = [this](const char *name, const QString &text) {
        auto *l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    fields->addRow(label("lblUserName", QStringLiteral("User")), edUserName);
    fields->addRow(label("lblUserPassword", QStringLiteral("Password")), edUserPassword);
    fields->addRow(label("lblDatabase", QStringLiteral("Database")), cbxDatabase);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    setMinimumWidth(320);

    Translator = new TKyv_Translator(this);
    // The connection names are the user's, not texts of the design.
    Translator->SetIgnoreList({ QStringLiteral("cbxDatabase") });
}

void TfrmPasswordDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!frmMain)
        return;
    Translator->SetDictionaryFileName(frmMain->DictionaryFileName());
    Translator->TranslateForm(this, true, frmMain->BaseDictionaryFileName());
}

bool ExecuteLoginDialog(QString &userName, QString &password, QString &database, const QStringList &choices)
{
    SetKeyboardLanguage(QStringLiteral("EN"));
    TfrmPasswordDlg dialog;
    frmPasswordDlg = &dialog;
    struct ClearGlobal
    {
        ~ClearGlobal() { frmPasswordDlg = nullptr; }
    } clearGlobal;

    dialog.edUserName->setText(userName);
    dialog.edUserPassword->setText(password);
    dialog.cbxDatabase->addItems(choices);
    const QString shown = choices.contains(database) ? database : choices.value(0);
    dialog.cbxDatabase->setCurrentIndex(choices.indexOf(shown));
    if (choices.size() <= 1) {
        dialog.cbxDatabase->setEnabled(false);
        QPalette palette = dialog.cbxDatabase->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Button));
        dialog.cbxDatabase->setPalette(palette);
    }
    if (!userName.isEmpty())
        dialog.edUserPassword->setFocus();
    else
        dialog.edUserName->setFocus();

    if (dialog.exec() != QDialog::Accepted)
        return false;
    userName = dialog.edUserName->text();
    password = dialog.edUserPassword->text();
    database = dialog.cbxDatabase->currentText();
    return true;
}
