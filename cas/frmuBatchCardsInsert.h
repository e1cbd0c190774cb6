#pragma once

#include "KyvFrames.h"

class QLabel;
class QLineEdit;
class TKyv_Translator;

// The batch registration of smart cards: the first number and how many cards follow it. The window translates
// itself in the interface language when it is made; its messages come from its own strings section.
class TfrmBatchCardsInsert : public TfrmKyvModal
{
    Q_OBJECT
public:
    explicit TfrmBatchCardsInsert(QWidget *parent = nullptr);

    QLabel *lblStartNo = nullptr;
    QLineEdit *edStartNo = nullptr;
    QLabel *lblQuantity = nullptr;
    QLineEdit *edQuantity = nullptr;
    TOkCancelBtnsFrame *OkCancelBtns = nullptr;
    TKyv_Translator *Translator = nullptr;

    // Checks the fields and closes with Ok when they hold a new card number and a whole quantity.
    void OkClick();

private:
    QString message(const char *key, const char *english) const;
    void refuse(QLineEdit *edit, const QString &message);
};

// True on Ok, with the fields' first number and quantity.
bool executeBatchCardsInsert(QString &startNumber, int &quantity);

// The dialog, then the cards it asks for added in one transaction, numbers already registered skipped. True
// when cards were asked for and written; a failed write is told to the user and leaves no card of the batch.
bool BatchCardsInsert();
