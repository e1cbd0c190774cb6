#include "frmuBatchCardsInsert.h"

#include "ApplicationHint.h"
#include "Kyv_Translator.h"
#include "Services.h"
#include "dmuRDM.h"
#include "frmuMain.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmBatchCardsInsert::TfrmBatchCardsInsert(QWidget *parent)
    : TfrmKyvModal(parent)
{
    setObjectName(QStringLiteral("frmBatchCardsInsert"));
    setWindowTitle(QStringLiteral("Batch Smartcards Registration"));
    lblStartNo = new QLabel(QStringLiteral("Start card number"), this);
    lblStartNo->setObjectName(QStringLiteral("lblStartNo"));
    edStartNo = new QLineEdit(this);
    edStartNo->setObjectName(QStringLiteral("edStartNo"));
    edStartNo->setMaxLength(10);
    lblQuantity = new QLabel(QStringLiteral("Quantity"), this);
    lblQuantity->setObjectName(QStringLiteral("lblQuantity"));
    edQuantity = new QLineEdit(QStringLiteral("1"), this);
    edQuantity->setObjectName(QStringLiteral("edQuantity"));
    OkCancelBtns = new TOkCancelBtnsFrame(this);
    OkCancelBtns->setObjectName(QStringLiteral("OkCancelBtns"));
    OkCancelBtns->bbtnOk->setText(QStringLiteral("Ok"));
    OkCancelBtns->bbtnCancel->setText(QStringLiteral("Cancel"));
    // Ok checks first: the frame's own accept is replaced by the check.
    OkCancelBtns->bbtnOk->disconnect();
    connect(OkCancelBtns->bbtnOk, &QPushButton::clicked, this, [this] { OkClick(); });

    auto *fields = new QFormLayout;
    fields->addRow(lblStartNo, edStartNo);
    fields->addRow(lblQuantity, edQuantity);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(OkCancelBtns);
    setMinimumWidth(300);

    Translator = new TKyv_Translator(this);
    if (frmMain) {
        Translator->SetDictionaryFileName(frmMain->DictionaryFileName());
        Translator->TranslateForm(this, true, frmMain->BaseDictionaryFileName());
        Translator->LoadStrings();
    }
}

QString TfrmBatchCardsInsert::message(const char *key, const char *english) const
{
    // Without a dictionary holding the key the English text stands in, so that the user never reads a key.
    const QString k = QString::fromLatin1(key);
    const QString text = Translator->GetString(k);
    return text == k ? QString::fromLatin1(english) : text;
}

void TfrmBatchCardsInsert::refuse(QLineEdit *edit, const QString &text)
{
    Services::messages()->error(text);
    edit->setFocus();
}

void TfrmBatchCardsInsert::OkClick()
{
    const QString number = edStartNo->text().trimmed();
    if (number.isEmpty()) {
        refuse(edStartNo, message("invalidCardNumber", "Invalid card number"));
        return;
    }
    if (DMR && DMR->SmartCardExists(number)) {
        refuse(edStartNo, message("cardExists", "Card with number [%1] exists").arg(number));
        return;
    }
    bool ok = false;
    edQuantity->text().trimmed().toInt(&ok);
    if (!ok) {
        refuse(edQuantity, message("invalidQuantity", "Invalid Quantity"));
        return;
    }
    accept();
}

bool executeBatchCardsInsert(QString &startNumber, int &quantity)
{
    TfrmBatchCardsInsert dialog(frmMain);
    dialog.edStartNo->setText(startNumber);
    if (quantity > 0)
        dialog.edQuantity->setText(QString::number(quantity));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    startNumber = dialog.edStartNo->text().trimmed();
    quantity = dialog.edQuantity->text().trimmed().toInt();
    return true;
}

bool BatchCardsInsert()
{
    QString start;
    int quantity = 1;
    if (!executeBatchCardsInsert(start, quantity) || !DMR)
        return false;
    SetApplicationHint(QStringLiteral("Smartcards addition process"));
    if (DMR->AddSmartCard(start, quantity)) {
        DMR->CommitWork();
        return true;
    }
    // The reason is in the log; the user learns that none of the batch was written.
    Services::messages()->error(QStringLiteral("Smartcards were not added"));
    return false;
}
