#include "FR_Vared.h"

#include "FR_Fields.h"
#include "FR_Locale.h"
#include "FR_Pars.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrVaredForm::TfrVaredForm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frVaredForm"));
    setWindowTitle(GetLocaleString(53360));
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setMinimumSize(300, 260);
    auto *label1 = new QLabel(GetLocaleString(53361), this);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->setBuddy(Memo1);
    QHBoxLayout *buttons = OkCancelButtons(this, Button4, Button5);
    Button4->setObjectName(QStringLiteral("Button4"));
    Button5->setObjectName(QStringLiteral("Button5"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label1);
    layout->addWidget(Memo1);
    layout->addLayout(buttons);
}

bool TfrVaredForm::Execute(TfrVariables &variables)
{
    TfrVaredForm form;
    form.Variables = &variables;
    form.ShowVariables();
    if (form.exec() != QDialog::Accepted)
        return false;
    form.StoreVariables();
    return true;
}

void TfrVaredForm::ShowVariables()
{
    QStringList lines;
    for (int i = 0; i < Variables->GetCount(); ++i) {
        const QString name = Variables->GetName(i);
        if (name.isEmpty())
            lines << QString();
        else if (name.startsWith(u' '))
            lines << name.mid(1);
        else
            lines << u' ' + name;
    }
    Memo1->setPlainText(lines.join(u'\n'));
}

void TfrVaredForm::StoreVariables()
{
    TfrVariables rebuilt;
    for (const QString &line : Memo1->toPlainText().split(u'\n')) {
        if (line.trimmed().isEmpty())
            continue;
        // However deep a variable is indented, its name never starts with a blank: a blank would make it a
        // category.
        qsizetype indent = 0;
        while (indent < line.size() && line.at(indent) == u' ')
            ++indent;
        const QString name = indent > 0 ? line.mid(indent) : u' ' + line;
        const int old = Variables->IndexOf(name);
        rebuilt.SetValue(name, old >= 0 ? Variables->GetValueAt(old) : Variant(QString()));
    }
    Variables->Clear();
    for (int i = 0; i < rebuilt.GetCount(); ++i)
        Variables->SetValue(rebuilt.GetName(i), rebuilt.GetValueAt(i));
}
