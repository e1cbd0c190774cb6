// What the window shows of the selection: the commands it enables, the status bar and the inspector.
#include "FR_Desgn.h"

#include "FR_Insp.h"

#include <QAction>

void TfrDesignerForm::SelectionChanged()
{
    UpdatingControls = true;
    EnableControls();
    UpdateStatus();
    ShowObjectInfo();
    UpdatingControls = false;
}

int TfrDesignerForm::SelectionType() const
{
    int type = 0;
    const int count = PageView->SelectedCount;
    if (count == 1) {
        const TfrView *v = TopSelected();
        if (v->TypeCode == 2)
            type = 1;
        else if (dynamic_cast<const TfrMemoView *>(v))
            type = 2;
        else
            type = 4;
    } else if (count > 1) {
        type = 8;
    }
    if (!DesignerClipboard.isEmpty())
        type |= 16;
    return type;
}

void TfrDesignerForm::EnableControls()
{
    const int type = SelectionType();
    const bool any = PageView->SelectedCount > 0;
    for (QAction *a : { N32, N33, FitGridAction, N11, N12, N27 })
        a->setEnabled(any);
    N13->setEnabled(type & 16);
    N36->setEnabled(PageView->SelectedCount == 1);
    StatusBar1->update();
}

void TfrDesignerForm::UpdateStatus()
{
    FillInspector();
    if (InspForm)
        InspForm->ItemsChanged();
    StatusBar1->update();
    PBox1->update();
}

void TfrDesignerForm::ShowObjectInfo()
{
    QString info;
    if (PageView->SelectedCount == 1) {
        const TfrView *v = TopSelected();
        info = v->Name;
        if (v->TypeCode == 2)
            info += QStringLiteral(": ")
                + frEngine().BandNames.value(static_cast<const TfrBandView *>(v)->GetBandType() & 127);
        else if (!v->Memo.isEmpty())
            info += QStringLiteral(": ") + v->Memo.first();
    }
    StatusBar1->SetPanelText(2, info);
}

void TfrDesignerForm::FillInspector()
{
    if (!InspForm)
        return;
    InspForm->ClearProperties();
    InspForm->CurrentObject = nullptr;
    InspForm->ObjectName.clear();
    if (PageView->SelectedCount == 0 && Page) {
        InspForm->CurrentObject = Page;
        InspForm->ObjectName = QStringLiteral("Page%1").arg(CurPage + 1);
    } else if (PageView->SelectedCount == 1) {
        InspForm->CurrentObject = TopSelected();
        InspForm->ObjectName = TopSelected()->Name;
    }
}
