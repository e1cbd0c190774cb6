#pragma once

#include <QDialog>

#include <array>

class QCheckBox;
class QPushButton;

// An object's restrictions: what the designer does not let its user do to the object, one box per flag.
class TfrRestrictionsForm : public QDialog
{
    Q_OBJECT
public:
    explicit TfrRestrictionsForm(QWidget *parent = nullptr);

    // Shows the flags of `restrictions`; on OK answers true with the seven flags as the boxes say (any other bits
    // of the word kept as they were).
    static bool Execute(quint16 &restrictions);

    // CB1 .. CB7, for the flags 1, 2, 4 ... 64.
    std::array<QCheckBox *, 7> Boxes {};
    QPushButton *Button1, *Button2;

private:
    void SetRestrictions(quint16 restrictions);
    quint16 GetRestrictions(quint16 kept) const;
};
