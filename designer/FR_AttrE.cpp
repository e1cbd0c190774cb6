#include "FR_AttrE.h"

#include "FR_Class.h"
#include "FR_Ctrls.h"
#include "FR_DialogKit.h"
#include "FR_Expr.h"
#include "FR_Fields.h"
#include "FR_Locale.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrAttrEditorForm::TfrAttrEditorForm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frAttrEditorForm"));
    setWindowTitle(GetLocaleString(53740));
    Edit1 = new TfrComboEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMinimumWidth(300);
    Edit1->SetGlyph(DesignerGlyph(QStringLiteral("ELLIPSIS")));
    Edit1->SetButtonHint(GetLocaleString(53575));
    Edit1->OnButtonClick = [this](QObject *) {
        // The builder takes the focus and the window's activation with it; the selection it is to replace is
        // taken back afterwards.
        QLineEdit *edit = Edit1->lineEdit();
        const int start = edit->selectionStart(), length = int(edit->selectedText().size());
        const int caret = edit->cursorPosition();
        TfrExprForm builder(this);
        if (builder.exec() != QDialog::Accepted)
            return;
        if (start >= 0)
            edit->setSelection(start, length);
        else
            edit->setCursorPosition(caret);
        edit->insert(builder.ExprMemo->toPlainText());
    };
    QHBoxLayout *buttons = OkCancelButtons(this, Button1, Button2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Edit1);
    layout->addLayout(buttons);
}

bool TfrAttrEditorForm::EditTag(TfrView &view)
{
    TfrAttrEditorForm form;
    form.Edit1->setEditText(view.Tag);
    if (form.exec() != QDialog::Accepted)
        return false;
    if (TfrReportDesigner *designer = frEngine().CurrentDesigner)
        designer->BeginObjectChange();
    view.Tag = form.Edit1->currentText();
    return true;
}
