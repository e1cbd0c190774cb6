// The designer as the engine sees it, and the page script's way into the designer's editor.
#include "FR_Class.h"
#include "FR_ClassControls.h"

#include "Services.h"

#include <QEventLoop>

TfrReportDesigner::TfrReportDesigner(bool templateMode, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , TemplateMode(templateMode)
{
}

TfrReportDesigner::~TfrReportDesigner() = default;

int TfrReportDesigner::ShowModal()
{
    m_modalResult = mrNone;
    setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    m_loop = &loop;
    show();
    // A window that closed while it was being shown has nothing left to wait for.
    if (isVisible())
        loop.exec();
    m_loop = nullptr;
    hide();
    if (m_modalResult == mrNone)
        m_modalResult = mrCancel;
    return m_modalResult;
}

void TfrReportDesigner::SetModalResult(int result)
{
    m_modalResult = result;
    if (result != mrNone && m_loop && !close())
        m_modalResult = mrNone;
}

void TfrReportDesigner::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (m_loop)
        m_loop->quit();
}

void TfrPage::EditScript()
{
    const TfrEditorHook &editor = frEngine().MemoEditorHook;
    if (!editor)
        return;
    TfrControl holder;
    holder.Script = Script;
    editor(&holder);
    Script = holder.Script;
}
