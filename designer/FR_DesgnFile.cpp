// The window's file commands: the question whether to save, a new template, a template from the gallery,
// opening, saving and saving as, and the preview of the template being edited.
#include "FR_Desgn.h"

#include "FR_DataDict.h"
#include "FR_Insp.h"
#include "FR_Locale.h"
#include "FR_Newrp.h"
#include "FR_Templ.h"

#include "ScreenCursor.h"
#include "Services.h"
#include "Streams.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QScopeGuard>

namespace {

QString FilePart(const QString &name)
{
    return QFileInfo(QString(name).replace(u'\\', u'/')).fileName();
}

// The name with its extension replaced by (or given) `extension`, which starts with the dot.
QString WithExtension(const QString &name, const QString &extension)
{
    const qsizetype slash = std::max(name.lastIndexOf(u'/'), name.lastIndexOf(u'\\'));
    const qsizetype dot = name.lastIndexOf(u'.');
    return (dot > slash ? name.left(dot) : name) + extension;
}

QString ErrorText(const std::exception &e)
{
    if (const auto *own = dynamic_cast<const Exception *>(&e))
        return own->message();
    return QString::fromUtf8(e.what());
}

void ShowFileError(const QString &text)
{
    Services::messages()->show({ text, mtError, mbOK, mbOK, GetLocaleString(55206) });
}

} // namespace

bool TfrDesignerForm::SaveChangesQuestion()
{
    const QString text = GetLocaleString(55306) + u' ' + GetLocaleString(55336) + u' ' + FilePart(FileName) + u'?';
    switch (Services::messages()->show({ text, mtConfirmation, mbYesNoCancel, mbYes, GetLocaleString(55006) })) {
    case mrYes:
        SaveDone = false;
        SaveReport();
        return SaveDone;
    case mrNo:
        return true;
    default:
        return false;
    }
}

bool TfrDesignerForm::SaveFileChecked(const QString &fileName, const std::function<void()> &save)
{
    try {
        save();
        return true;
    } catch (const std::exception &e) {
        // The file on disk is as it was: files are written whole or not at all.
        ShowFileError(QStringLiteral("Не удалось записать файл ") + fileName + QStringLiteral(": ") + ErrorText(e));
        return false;
    }
}

void TfrDesignerForm::TemplateReplaced(const QString &fileName)
{
    // The objects the undo steps name are gone, on every page.
    ClearUndo();
    ClearRedo();
    Page = nullptr;
    PageView->LastSelected = nullptr;
    PageView->SelectedCount = 0;
    // The window always has a page to show.
    if (Report()->Pages().GetCount() == 0)
        Report()->Pages().Add();
    SetFileName(fileName);
    SetCurPage(0);
}

void TfrDesignerForm::NewReport()
{
    if (DesignerRestrictions & drNoNew)
        return;
    if (GetModified() && !SaveChangesQuestion())
        return;
    ResetSelection();
    TfrReport *r = Report();
    r->ClearTemplate();
    r->Pages().GetPage(r->Pages().Add())->MakeUniqueName();
    TemplateReplaced(GetLocaleString(55209));
    SetModified(false);
    r->ChangedInDesigner = true;
}

void TfrDesignerForm::NewFromTemplate()
{
    const QString folder = DesignerComponent ? DesignerComponent->TemplateDir : QString();
    if (DesignerRestrictions & drNoNew)
        return;
    QString file;
    if (!TfrTemplForm::Execute(folder, file))
        return;
    ResetSelection();
    QStringList description;
    QImage picture;
    Report()->LoadTemplateFile(file, description, true, picture);
    // The window keeps its modified flag: what it held before is still unsaved in the user's eyes.
    TemplateReplaced(GetLocaleString(55209));
}

void TfrDesignerForm::OpenReport()
{
    if (DesignerRestrictions & drNoOpen)
        return;
    if (GetModified() && !SaveChangesQuestion())
        return;
    TfrReport *r = Report();
    PageView->NoPaint = true;
    const auto paint = qScopeGuard([this] { PageView->NoPaint = false; });
    QString name;
    bool opened = false;
    ResetSelection();
    if (DesignerComponent && DesignerComponent->OnLoadReport) {
        opened = true;
        DesignerComponent->OnLoadReport(r, name, opened);
    } else {
        FileDialogRequest request;
        request.filter = GetLocaleString(55213) + QStringLiteral(" (*.frf)|*.frf|") + GetLocaleString(55215)
            + QStringLiteral(" (*.frd)|*.frd");
        if (DesignerComponent)
            request.initialDir = DesignerComponent->OpenDir;
        if (!Services::dialogs()->openFile(request))
            return;
        name = request.fileName;
        if (request.filterIndex == 2) {
            // A dictionary replaces the report's only when the whole file was read.
            TfrDataDictionary fresh;
            try {
                fresh.LoadDictionaryFile(name);
            } catch (const std::exception &e) {
                ShowFileError(
                    QStringLiteral("Не удалось прочитать файл ") + name + QStringLiteral(": ") + ErrorText(e));
                return;
            }
            TMemoryStream stream;
            fresh.SaveToStream(stream);
            stream.SetPosition(0);
            r->Dictionary().LoadFromStream(stream);
        } else {
            // The template is replaced only when the engine read the file whole; else it has said why, and the
            // window goes on with what it had, so that a later save cannot write it over that file.
            TMemoryStream stream;
            try {
                stream.LoadFromFile(name);
            } catch (const std::exception &e) {
                ShowFileError(
                    QStringLiteral("Не удалось прочитать файл ") + name + QStringLiteral(": ") + ErrorText(e));
                return;
            }
            opened = r->LoadReportStream(stream);
            if (opened)
                r->FileName = name;
        }
    }
    if (!opened) {
        SetCurPage(CurPage);
        return;
    }
    TemplateReplaced(name);
    SetModified(false);
    r->ChangedInDesigner = true;
}

void TfrDesignerForm::SaveReport()
{
    if (DesignerRestrictions & drNoSave)
        return;
    if (FileName.isEmpty() || FileName == GetLocaleString(55209)) {
        SaveReportAs();
        return;
    }
    if (DesignerComponent && DesignerComponent->OnSaveReport) {
        QString name = FileName;
        bool saved = true;
        DesignerComponent->OnSaveReport(Report(), name, false, saved);
        // A host that did not save has not saved: closing must not go on as if it had.
        SaveDone = saved;
    } else {
        SaveDone = SaveFileChecked(FileName, [this] { Report()->SaveReportFile(FileName); });
    }
    if (SaveDone)
        SetModified(false);
}

void TfrDesignerForm::SaveReportAs()
{
    if (DesignerRestrictions & drNoSave)
        return;
    SaveDone = false;
    TfrReport *r = Report();
    if (DesignerComponent && DesignerComponent->OnSaveReport) {
        QString name = FileName;
        bool saved = true;
        DesignerComponent->OnSaveReport(r, name, true, saved);
        if (saved) {
            SetFileName(name);
            SaveDone = true;
        }
    } else {
        FileDialogRequest request;
        request.filter = GetLocaleString(55213) + QStringLiteral(" (*.frf)|*.frf|") + GetLocaleString(55214)
            + QStringLiteral(" (*.frt)|*.frt|") + GetLocaleString(55215) + QStringLiteral(" (*.frd)|*.frd");
        if (DesignerComponent)
            request.initialDir = DesignerComponent->SaveDir;
        request.fileName = FileName;
        request.filterIndex = 1;
        if (!Services::dialogs()->saveFile(request))
            return;
        switch (request.filterIndex) {
        case 2: {
            QString name = WithExtension(request.fileName, QStringLiteral(".frt"));
            // Gallery templates go to the gallery's folder.
            if (DesignerComponent && !DesignerComponent->TemplateDir.isEmpty())
                name = DesignerComponent->TemplateDir + u'/' + FilePart(name);
            QStringList description;
            QImage picture;
            if (TfrTemplNewForm::Execute(description, picture))
                SaveDone = SaveFileChecked(name, [&] { r->SaveTemplateFile(name, description, picture); });
            break;
        }
        case 3: {
            // Only the dictionary is written: the template itself is still unsaved.
            const QString name = WithExtension(request.fileName, QStringLiteral(".frd"));
            SaveFileChecked(name, [&] { r->Dictionary().SaveDictionaryFile(name); });
            break;
        }
        default: {
            const QString name = WithExtension(request.fileName, QStringLiteral(".frf"));
            if (SaveFileChecked(name, [&] { r->SaveReportFile(name); })) {
                SetFileName(name);
                SaveDone = true;
            }
            break;
        }
        }
    }
    if (SaveDone)
        SetModified(false);
}

void TfrDesignerForm::PreviewReport()
{
    TfrReport *r = Report();
    if (!r || qobject_cast<TfrCompositeReport *>(r) || (DesignerRestrictions & drNoPreview) || !TemplateMode)
        return;
    const bool modalPreview = r->ModalPreview;
    QCoreApplication::processEvents();
    r->ModalPreview = true;
    ResetSelection();
    PageView->Draw();
    // The build reloads the template and so makes every object anew; the undo steps find them by their IDs.
    const TfrObjectIDs ids = KeepObjectIDs();
    Page = nullptr;
    PageView->NoPaint = true;
    if (InspForm) {
        InspForm->Disabled = true;
        InspForm->ItemsChanged();
    }
    const auto setUpAgain = qScopeGuard([&] {
        r->ModalPreview = modalPreview;
        PageView->NoPaint = false;
        if (InspForm)
            InspForm->Disabled = false;
        RestoreObjectIDs(ids);
        SetCurPage(std::min(CurPage, r->Pages().GetCount() - 1));
        SelectionChanged();
        InstallEditorHooks();
        if (DesignerComponent && DesignerComponent->OnShow)
            DesignerComponent->OnShow(this);
        SetScreenCursor(crDefault);
    });
    r->BuildReport();
    r->Preview = nullptr;
    r->ShowPreparedPages();
}
