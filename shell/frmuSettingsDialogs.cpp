#include "frmuSettingsDialogs.h"

#include "Formats.h"
#include "uCommon.h"
#include "uSettings.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmCasServerParams::TfrmCasServerParams(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmCasServerParams"));
    setWindowTitle(QStringLiteral("Параметры подключения к CAS серверу"));
    edServerIP = new QLineEdit(this);
    edServerIP->setObjectName(QStringLiteral("edServerIP"));
    edPort = new QLineEdit(this);
    edPort->setObjectName(QStringLiteral("edPort"));
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *btnOk = buttons->addButton(QStringLiteral("Ok"), QDialogButtonBox::AcceptRole);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("btnCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Server IP"), edServerIP);
    form->addRow(QStringLiteral("Port"), edPort);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

bool executeCasServerParams(QString &host, QString &port)
{
    TfrmCasServerParams dialog;
    dialog.edServerIP->setText(host);
    dialog.edPort->setText(port);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    host = dialog.edServerIP->text();
    port = dialog.edPort->text();
    return true;
}

TfrmRoundTest::TfrmRoundTest(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmRoundTest"));
    setWindowTitle(QStringLiteral("Тест округления"));
    edNumber = new QLineEdit(QStringLiteral("12750"), this);
    edNumber->setObjectName(QStringLiteral("edNumber"));
    edDigits = new QLineEdit(QString::number(AppSettings().RoundPrecision), this);
    edDigits->setObjectName(QStringLiteral("edDigits"));
    edResult = new QLineEdit(this);
    edResult->setObjectName(QStringLiteral("edResult"));
    btnRound = new QPushButton(QStringLiteral("Округлить"), this);
    btnRound->setObjectName(QStringLiteral("btnRound"));
    btnRound->setDefault(true);
    connect(btnRound, &QPushButton::clicked, this, &TfrmRoundTest::Round);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Число"), edNumber);
    form->addRow(QStringLiteral("Кол. знаков"), edDigits);
    form->addRow(QStringLiteral("Результат"), edResult);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(btnRound, 0, Qt::AlignRight);
}

void TfrmRoundTest::Round()
{
    double number = 0;
    int digits = 0;
    if (TryStrToFloat(edNumber->text(), number) && TryStrToInt(edDigits->text(), digits))
        edResult->setText(FloatToStr(RoundMoney(digits, number)));
    else
        edResult->setText(QStringLiteral("Ошибка"));
}

void ShowRoundTest()
{
    TfrmRoundTest dialog;
    dialog.exec();
}
