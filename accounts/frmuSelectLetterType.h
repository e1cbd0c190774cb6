#pragma once

#include "KyvFrames.h"

class QComboBox;
class QPushButton;

// The kind of letter to print for the customer; the choice lives in the filter record's LetterTypeId3.
class TfrmSelectLetterType : public TfrmKyvModal
{
    Q_OBJECT
public:
    explicit TfrmSelectLetterType(QWidget *parent = nullptr);

    QComboBox *cbLetterType = nullptr;
    QPushButton *btnOk = nullptr;
    QPushButton *btnCancel = nullptr;

private:
    void LetterTypeChange(int index);
};

// True when closed with "Готово"; the type chosen stays in LetterTypeId3 of the filter record either way.
bool executeSelectLetterType();
