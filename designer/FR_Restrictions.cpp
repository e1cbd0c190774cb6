#include "FR_Restrictions.h"

#include "FR_Fields.h"
#include "FR_Locale.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The seven flags an object keeps in the low bits of its restrictions word.
constexpr quint16 RestrictionBits = 0x7F;

} // namespace

TfrRestrictionsForm::TfrRestrictionsForm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frRestrictionsForm"));
    setWindowTitle(GetLocaleString(53260));
    auto *group = new QGroupBox(this);
    group->setObjectName(QStringLiteral("GroupBox1"));
    auto *groupLayout = new QVBoxLayout(group);
    static constexpr const char *names[] = { "CB1", "CB2", "Cb3", "CB4", "CB5", "CB6", "CB7" };
    for (size_t i = 0; i < Boxes.size(); ++i) {
        Boxes[i] = new QCheckBox(GetLocaleString(53261 + int(i)), group);
        Boxes[i]->setObjectName(QString::fromLatin1(names[i]));
        groupLayout->addWidget(Boxes[i]);
    }
    QHBoxLayout *buttons = OkCancelButtons(this, Button1, Button2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
}

bool TfrRestrictionsForm::Execute(quint16 &restrictions)
{
    TfrRestrictionsForm form;
    form.SetRestrictions(restrictions);
    if (form.exec() != QDialog::Accepted)
        return false;
    restrictions = form.GetRestrictions(restrictions);
    return true;
}

void TfrRestrictionsForm::SetRestrictions(quint16 restrictions)
{
    for (size_t i = 0; i < Boxes.size(); ++i)
        Boxes[i]->setChecked(restrictions & (1u << i));
}

quint16 TfrRestrictionsForm::GetRestrictions(quint16 kept) const
{
    quint16 result = kept & ~RestrictionBits;
    for (size_t i = 0; i < Boxes.size(); ++i)
        if (Boxes[i]->isChecked())
            result |= quint16(1u << i);
    return result;
}
