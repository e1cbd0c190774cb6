#include "FR_GrpEd.h"

#include "FR_Class.h"
#include "FR_Ctrls.h"
#include "FR_DialogKit.h"
#include "FR_Fields.h"
#include "FR_Locale.h"

#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

TfrGroupEditorForm::TfrGroupEditorForm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frGroupEditorForm"));
    setWindowTitle(GetLocaleString(53490));
    GB1 = new QGroupBox(GetLocaleString(53491), this);
    GB1->setObjectName(QStringLiteral("GB1"));
    Edit1 = new TfrComboEdit(GB1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMinimumWidth(300);
    Edit1->SetGlyph(DesignerGlyph(QStringLiteral("ELLIPSIS")));
    Edit1->SetButtonHint(GetLocaleString(53492));
    Edit1->OnButtonClick = [this](QObject *) {
        TfrReportDesigner *designer = frEngine().CurrentDesigner;
        // The designer's picker answers the expression in brackets, ready to stand as the condition.
        const QString picked = designer ? designer->PickExpression() : QString();
        if (!picked.isEmpty())
            Edit1->setEditText(picked);
    };
    (new QVBoxLayout(GB1))->addWidget(Edit1);
    QHBoxLayout *buttons = OkCancelButtons(this, Button1, Button2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(GB1);
    layout->addLayout(buttons);
}

bool TfrGroupEditorForm::EditCondition(TfrBandView &band)
{
    TfrGroupEditorForm form;
    // A group header keeps its condition where other bands keep their data source.
    form.Edit1->setEditText(band.FormatText);
    if (form.exec() != QDialog::Accepted)
        return false;
    if (TfrReportDesigner *designer = frEngine().CurrentDesigner)
        designer->BeginObjectChange();
    band.FormatText = form.Edit1->currentText();
    return true;
}
