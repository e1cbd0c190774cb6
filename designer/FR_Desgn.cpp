// The designer's options component and its process-wide state.
#include "FR_Desgn.h"

#include "FR_Locale.h"

#include "Services.h"

quint16 DesignerRestrictions = 0;
TfrLastUsedAttributes LastUsed;
QList<QByteArray> DesignerClipboard;
TfrDesigner *DesignerComponent = nullptr;

TfrObjEditorForm::TfrObjEditorForm(QWidget *parent)
    : QDialog(parent)
{
}

int TfrObjEditorForm::ShowEditor(TfrView *)
{
    return mrOk;
}

void frInstallDesigner()
{
    frEngine().DesignerFormClass
        = [](bool templateMode) -> TfrReportDesigner * { return new TfrDesignerForm(templateMode); };
    DesignerClipboard.clear();
    LastUsed = TfrLastUsedAttributes();
    LastUsed.Charset = frEngine().EngineCharset;
}

TfrDesigner::TfrDesigner(QObject *owner)
    : QObject(owner)
{
    if (DesignerComponent)
        throw Exception(QStringLiteral("You already have one TfrDesigner component"));
    setObjectName(QStringLiteral("frDesigner1"));
    DesignerComponent = this;
    frInstallDesigner();
}

TfrDesigner::~TfrDesigner()
{
    if (DesignerComponent == this)
        DesignerComponent = nullptr;
}
