#include "FR_Desgn.h"

#include "Services.h"

TfrObjEditorForm::TfrObjEditorForm(QWidget *parent)
    : QDialog(parent)
{
}

int TfrObjEditorForm::ShowEditor(TfrView *)
{
    return mrOk;
}
