// Page switching and tabs, the window's settings and their registry values, and the designer's side of the engine.
#include "FR_Desgn.h"

#include "FR_Dock.h"
#include "FR_Expr.h"
#include "FR_Fields.h"
#include "FR_Insp.h"
#include "FR_Locale.h"
#include "FR_PageF.h"

#include "Registry.h"
#include "Services.h"

#include <QAction>
#include <QFileInfo>
#include <QImage>
#include <QPlainTextEdit>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTabBar>

namespace {

QString FormSection(const char *className)
{
    return QStringLiteral("Form\\") + QLatin1String(className);
}

} // namespace

bool TfrDesignerForm::GetModified()
{
    return Report() && Report()->Modified;
}

void TfrDesignerForm::SetModified(bool value)
{
    if (TfrReport *r = Report()) {
        r->Modified = value;
        if (value && TemplateMode)
            r->ChangedInDesigner = true;
    }
    N20->setEnabled(value && !(DesignerRestrictions & drNoSave));
}

void TfrDesignerForm::BeginObjectChange()
{
    RecordUndo(acEdit);
}

void TfrDesignerForm::EndObjectChange()
{
    PageView->Draw();
    FillInspector();
    if (InspForm)
        InspForm->ItemsChanged();
}

void TfrDesignerForm::RepaintPage()
{
    PageView->Draw();
}

void TfrDesignerForm::SelectObjectByName(const QString &name)
{
    if (!Page || !Report())
        return;
    if (TfrView *v = Page->FindViewByName(name)) {
        Unselect();
        v->IsSelected = true;
        PageView->SelectedCount = 1;
        PageView->LastSelected = v;
        PageView->CalcSelectionBounds();
        SelectionChanged();
        PageView->Draw();
        return;
    }
    if (!name.startsWith(QLatin1String("Page")))
        return;
    bool ok = false;
    const int index = name.mid(4).toInt(&ok) - 1;
    if (ok && index >= 0 && index < Report()->Pages().GetCount())
        SetCurPage(index);
}

QString TfrDesignerForm::PickDBField()
{
    TfrFieldsForm form(this);
    if (form.exec() != QDialog::Accepted || form.FieldText.isEmpty())
        return {};
    return u'[' + form.FieldText + u']';
}

QString WrapExpression(const QString &expression)
{
    if (expression.isEmpty())
        return {};
    // Brackets only when the text is not one bracketed expression already.
    const bool bracketed = expression.startsWith(u'[') && expression.endsWith(u']') && expression.indexOf(u'[', 1) < 0;
    return bracketed ? expression : u'[' + expression + u']';
}

QString TfrDesignerForm::PickExpression()
{
    TfrExprForm form(this);
    if (form.exec() != QDialog::Accepted)
        return {};
    return WrapExpression(form.ExprMemo->toPlainText());
}

void TfrDesignerForm::SetCurPage(int index)
{
    TfrReport *r = Report();
    if (!r || index < 0 || index >= r->Pages().GetCount())
        return;
    TfrGlobals &e = frEngine();
    CurPage = index;
    Page = r->Pages().GetPage(index);
    PageType = Page->Type;
    e.ActivePage = Page;
    e.DocumentMode = 0;
    if (PageType == 1 && !PageForm)
        EnterDialogPage();
    else if (PageType == 0 && PageForm)
        LeaveDialogPage();
    if (PageForm) {
        PageForm->setGeometry(Page->Left, Page->Top, Page->Width, Page->Height);
        PageForm->setWindowTitle(Page->Caption);
        QPalette pal = PageForm->palette();
        pal.setColor(QPalette::Window, toQColor(Page->Color));
        PageForm->setPalette(pal);
    }
    ScrollBox1->horizontalScrollBar()->setValue(0);
    ScrollBox1->verticalScrollBar()->setValue(0);
    PageView->PlacePage();
    UpdatePageTabs();
    {
        const QSignalBlocker quiet(Tab1);
        Tab1->setCurrentIndex(index);
    }
    Unselect();
    EnableControls();
    UpdateStatus();
    // The objects keep the order they were stored in until the page is edited: showing a template must not
    // change what it saves. The surface lays bands beneath the other objects whatever their place in the list.
    PageView->SelectionHidden = false;
    // Bands take their place across the page when they are drawn: done once off screen, hit tests and the first
    // paint see them where they are.
    QImage scratch(1, 1, QImage::Format_RGB32);
    QPainter painter(&scratch);
    QPainterCanvas canvas(&painter);
    for (int i = 0; i < Page->ObjectCount(); ++i)
        Page->Object(i)->Draw(canvas);
    PageView->Draw();
}

void TfrDesignerForm::ToggleObjectButtons()
{
    for (TfrTBButton *b : m_objectButtons) {
        if (b == OB1)
            continue;
        b->setVisible(b->isHidden());
        b->setGeometry(1000, 1000, 22, 22);
    }
    Panel4->AdjustSize();
    if (Panel4->IsFloat() && Panel4->FloatWindow())
        Panel4->FloatWindow()->adjustSize();
}

void TfrDesignerForm::EnterDialogPage()
{
    // Dialog controls replace the report page's tools.
    if (!OB2->isHidden())
        ToggleObjectButtons();
    PageForm = new TfrPageForm(this);
    PageForm->setGeometry(Page->Left, Page->Top, Page->Width, Page->Height);
    ConnectPageForm();
    QPalette face = PageView->palette();
    face.setColor(QPalette::Window, toQColor(clBtnFace));
    PageView->setPalette(face);
    PageView->setParent(PageForm);
    PageView->show();
    PageForm->setWindowIcon(windowIcon());
    if (isVisible())
        PageForm->show();
}

void TfrDesignerForm::LeaveDialogPage()
{
    if (OB2->isHidden())
        ToggleObjectButtons();
    PageView->setParent(ScrollBox1->widget());
    QPalette white = PageView->palette();
    white.setColor(QPalette::Window, Qt::white);
    PageView->setPalette(white);
    PageView->show();
    delete PageForm;
    PageForm = nullptr;
}

void TfrDesignerForm::UpdatePageTabs()
{
    TfrReport *r = Report();
    if (!r)
        return;
    const int count = r->Pages().GetCount();
    QStringList captions;
    for (int i = 0; i < count; ++i)
        captions << GetLocaleString(55004) + QString::number(i + 1);
    // A subreport's page is named after the subreport.
    for (int p = 0; p < count; ++p) {
        const TfrPage *page = r->Pages().GetPage(p);
        for (int i = 0; i < page->ObjectCount(); ++i)
            if (auto *sub = dynamic_cast<const TfrSubReportView *>(page->Object(i));
                sub && sub->SubPageIndex >= 0 && sub->SubPageIndex < count)
                captions[sub->SubPageIndex] = sub->Name;
    }
    const QSignalBlocker quiet(Tab1);
    if (Tab1->count() != count) {
        while (Tab1->count() > 0)
            Tab1->removeTab(0);
        for (const QString &c : captions)
            Tab1->addTab(c);
    } else {
        for (int i = 0; i < count; ++i)
            if (Tab1->tabText(i) != captions[i])
                Tab1->setTabText(i, captions[i]);
    }
}

void TfrDesignerForm::SetFileName(const QString &name)
{
    FileName = name;
    setWindowTitle(CaptionBase + QStringLiteral(" - ") + QFileInfo(QString(name).replace(u'\\', u'/')).fileName());
}

void TfrDesignerForm::SetGridSize(int n)
{
    if (n == GridSizeX)
        return;
    GridSizeX = GridSizeY = n;
    PageView->Draw();
}

void TfrDesignerForm::SetShowGrid(bool value)
{
    if (GridAction->isChecked() != value)
        GridAction->setChecked(value);
    if (value == ShowGrid)
        return;
    ShowGrid = value;
    PageView->Draw();
}

void TfrDesignerForm::SetGridAlign(bool value)
{
    if (GridAlignAction->isChecked() != value)
        GridAlignAction->setChecked(value);
    GridAlign = value;
}

void TfrDesignerForm::SetUnits(int units)
{
    Units = units;
    StatusBar1->SetPanelText(0, GetLocaleString(53294 + units).remove(u'&'));
    UpdateStatus();
}

void TfrDesignerForm::SetGrayButtons(bool value)
{
    GrayButtons = value;
    for (TfrToolBar *bar : { Panel1, Panel2, Panel3, Panel4, Panel5, Panel6 })
        for (TfrSpeedButton *b : bar->findChildren<TfrSpeedButton *>())
            b->SetGrayedInactive(value);
}

double TfrDesignerForm::PixelsToUnits(double x) const
{
    switch (Units) {
    case 1:
        return x / 18 * 5;
    case 2:
        return x / 18 * 5 / 25.4;
    default:
        return x;
    }
}

double TfrDesignerForm::UnitsToPixels(double x) const
{
    switch (Units) {
    case 1:
        return x / 5 * 18;
    case 2:
        return x * 25.4 / 5 * 18;
    default:
        return x;
    }
}

void TfrDesignerForm::LoadOptions()
{
    const TRegIniFile ini(EngineRegistryKey());
    const QString s = FormSection(metaObject()->className());
    // Values out of their range read as the defaults.
    const int grid = ini.ReadInteger(s, QStringLiteral("GridSize"), 4);
    SetGridSize(grid < 1 ? 4 : grid);
    SetGridAlign(ini.ReadBool(s, QStringLiteral("GridAlign"), true));
    SetShowGrid(ini.ReadBool(s, QStringLiteral("GridShow"), true));
    const int units = ini.ReadInteger(s, QStringLiteral("Units"), 0);
    SetUnits(units >= 0 && units <= 2 ? units : 0);
    SetGrayButtons(ini.ReadBool(s, QStringLiteral("GrayButtons"), false));
    EditAfterInsert = ini.ReadBool(s, QStringLiteral("EditAfterInsert"), true);
    const int selection = ini.ReadInteger(s, QStringLiteral("Selection"), 1);
    ShowContents = selection == 0 || selection == 1 ? selection : 1;
    const int position = ini.ReadInteger(s, QStringLiteral("PagePosition"), 5);
    PagePosition = position >= 3 && position <= 5 ? position : 5;
    frEngine().BandTitles = ini.ReadBool(s, QStringLiteral("BandTitles"), true);
    CurrentLocale().LocalizedPropNames = ini.ReadBool(s, QStringLiteral("LocalizedPropNames"), false);
    UnlimitedHeight = ini.ReadBool(s, QStringLiteral("UnlimitedHeight"), false);

    const QString insp = FormSection("TfrInspForm");
    InspForm->SplitPos = std::max(20, ini.ReadInteger(insp, QStringLiteral("SplitPos"), 75));
    ReadFormPlacement(InspForm);
    InspForm->setVisible(ini.ReadBool(insp, QStringLiteral("isVisible"), true));
    ReadFormPlacement(this);
    ReadToolbarPlacement(Panel2);
    ReadToolbarPlacement(Panel4);
    LoadToolOptions();
    PlaceClient();
}

void TfrDesignerForm::SaveOptions()
{
    TRegIniFile ini(EngineRegistryKey());
    const QString s = FormSection(metaObject()->className());
    ini.WriteInteger(s, QStringLiteral("GridSize"), GridSizeX);
    ini.WriteBool(s, QStringLiteral("GridAlign"), GridAlign);
    ini.WriteBool(s, QStringLiteral("GridShow"), ShowGrid);
    ini.WriteInteger(s, QStringLiteral("Units"), Units);
    ini.WriteBool(s, QStringLiteral("GrayButtons"), GrayButtons);
    ini.WriteBool(s, QStringLiteral("EditAfterInsert"), EditAfterInsert);
    ini.WriteInteger(s, QStringLiteral("Selection"), ShowContents);
    ini.WriteInteger(s, QStringLiteral("PagePosition"), PagePosition);
    ini.WriteBool(s, QStringLiteral("BandTitles"), frEngine().BandTitles);
    ini.WriteBool(s, QStringLiteral("LocalizedPropNames"), CurrentLocale().LocalizedPropNames);
    ini.WriteBool(s, QStringLiteral("UnlimitedHeight"), UnlimitedHeight);
    if (InspForm) {
        const QString insp = FormSection("TfrInspForm");
        ini.WriteInteger(insp, QStringLiteral("SplitPos"), InspForm->SplitPos);
        ini.WriteBool(insp, QStringLiteral("isVisible"), m_inspectorShown);
    }
    for (TfrToolBar *bar : { Panel2, Panel4 }) {
        WriteToolbarPlacement(bar);
        bar->SetVisible(false);
    }
    SaveToolOptions();
    if (InspForm)
        WriteFormPlacement(InspForm);
    WriteFormPlacement(this);
}

std::function<int(TfrDesignerForm &, bool)> TfrDesignerForm::BandTypesDialog;
