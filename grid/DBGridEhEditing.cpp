// The grid's side of cell editing: when the cell editor may show and change a value, what text it gets, how
// its text is written back (pick lists, key lists, lookups, memos), the focus, typed characters, and the edit
// actions of the clipboard keys.
#include "DBGridEh.h"

#include "Guard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {

int indexOfTextCI(const QStringList &list, const QString &text)
{
    for (int i = 0; i < list.size(); ++i)
        if (list[i].compare(text, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

bool isStringType(TFieldType type)
{
    return type == ftString || type == ftWideString || type == ftFixedChar;
}

} // namespace

// ---- Focus ---------------------------------------------------------------------------------------------------

bool TCustomDBGridEh::TakeFocus()
{
    if (!isEnabled() || !isVisible())
        return false;
    if (!IsGridFocused())
        setFocus(Qt::MouseFocusReason);
    return IsGridFocused();
}

bool TCustomDBGridEh::IsGridFocused() const
{
    return IsActiveControl();
}

bool TCustomDBGridEh::AlwaysShowsEditor() const
{
    return m_dbOptions & dgAlwaysShowEditor;
}

void TCustomDBGridEh::ShowCellEditor()
{
    ShowEditor();
}

void TCustomDBGridEh::focusInEvent(QFocusEvent *event)
try {
    const HandlerEdge edge;
    TCustomGrid::focusInEvent(event);
    if (m_dbOptions & dgRowSelect)
        InvalidateRow(Row());
    if (m_selection->SelectionType() != gstNon)
        RepaintSelection();
} catch (...) {
    endAtHandlerEdge();
}

void TCustomDBGridEh::focusOutEvent(QFocusEvent *event)
try {
    const HandlerEdge edge;
    TCustomGrid::focusOutEvent(event);
    if (m_dbOptions & dgRowSelect)
        InvalidateRow(Row());
    if (m_selection->SelectionType() != gstNon)
        RepaintSelection();
} catch (...) {
    endAtHandlerEdge();
}

void TCustomDBGridEh::DoExit()
{
    // Leaving the grid completes a run of Ctrl title clicks.
    if (m_sortMarkingPending) {
        m_sortMarkingPending = false;
        SafeCall([&] { SortMarkingChanged(); });
    }
    if (m_dataLink->Active()) {
        TDataSet *ds = m_dataLink->DataSet();
        try {
            if ((m_dbOptions & dgCancelOnExit) && UntouchedNewRecord())
                ds->Cancel();
            else if (m_dataLink->Modified())
                m_dataLink->UpdateRecord();
        } catch (...) {
            // The value could not be written: the grid keeps the focus so that nothing typed is lost.
            HideEditor();
            setFocus(Qt::OtherFocusReason);
            handleCurrentException();
            return;
        }
    }
    TCustomGrid::DoExit();
}

// ---- Editor questions ----------------------------------------------------------------------------------------

bool TCustomDBGridEh::CanEditShow()
{
    if (InLayout() || !TCustomGrid::CanEditShow())
        return false;
    const int dataCol = SelectedIndex();
    bool refused = m_incSearching;
    if (dataCol >= 0 && dataCol < Columns().Count()) {
        const TColCellKindEh kind = Columns()[dataCol]->GetCellKind();
        refused = refused || kind == ckCheckBoxEh || kind == ckImageEh;
    }
    refused = refused
        || (m_selection->SelectionType() != gstNon && (m_optionsEh & dghClearSelection)
            && SelectionKindUsable(gstRectangle));
    if (refused && InplaceEditor() && InplaceEditor()->isVisible())
        HideEditor();
    return !refused;
}

bool TCustomDBGridEh::HolderAllowsEdit(QWidget *editor)
{
    if (editor && editor == filterEditorWidget())
        return true;
    const int dataCol = SelectedIndex();
    if (m_incSearching || dataCol < 0 || dataCol >= Columns().Count())
        return false;
    TColumnEh *column = Columns()[dataCol];
    return column->GetCellKind() != ckCheckBoxEh && column->CanModify(false);
}

bool TCustomDBGridEh::CanEditModify()
{
    const int dataCol = SelectedIndex();
    if (dataCol < 0 || dataCol >= Columns().Count() || m_incSearching)
        return false;
    TColumnEh *column = Columns()[dataCol];
    if (column->GetCellKind() == ckCheckBoxEh)
        return false;
    if (m_dataLink->Modified()) {
        // The editor already changed the cell: the record only needs to be in edit.
        m_dataLink->Edit();
        return true;
    }
    if (!column->CanModify(true))
        return false;
    m_dataLink->SetModified(true);
    return true;
}

bool TCustomDBGridEh::CanEditAcceptKey(QChar key)
{
    const int dataCol = SelectedIndex();
    if (!m_dataLink->Active() || dataCol < 0 || dataCol >= Columns().Count())
        return false;
    TColumnEh *column = Columns()[dataCol];
    TField *field = column->GetField();
    if (!field)
        return false;
    if (!column->KeyList().isEmpty())
        return true;
    return field->IsValidChar(key);
}

QString TCustomDBGridEh::cellEditText(int dataCol)
{
    if (dataCol < 0 || dataCol >= Columns().Count())
        return QString();
    TColumnEh *column = Columns()[dataCol];
    TField *field = column->GetField();
    if (!field)
        return QString();
    QString text;
    if (field->DataType() == ftMemo && m_drawMemoText)
        text = field->AsString().replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    else
        text = field->Text();
    if (!column->KeyList().isEmpty()) {
        const int i = indexOfTextCI(column->KeyList(), text);
        text = i >= 0 && i < column->PickList().size() ? column->PickList()[i] : QString();
    }
    if (column->OnGetCellParams) {
        TColCellParamsEh params;
        column->FillCellParams(params);
        params.Text = text;
        SafeCall([&] { column->OnGetCellParams(column, true, params); });
        text = params.Text;
    }
    return text;
}

QString TCustomDBGridEh::GetEditText(int col, int row)
{
    Q_UNUSED(row);
    const int dataCol = col - m_indicatorOffset;
    m_editKeyValue = QVariant();
    TField *field = dataCol >= 0 && dataCol < Columns().Count() ? Columns()[dataCol]->GetField() : nullptr;
    if (field && field->Lookup() && field->DataSet() && !field->KeyFields().isEmpty())
        m_editKeyValue = field->DataSet()->FieldValues(field->KeyFields());
    m_editText = cellEditText(dataCol);
    return m_editText;
}

void TCustomDBGridEh::SetEditText(int col, int row, const QString &value)
{
    Q_UNUSED(col);
    Q_UNUSED(row);
    // A lookup text typed anew is looked up by its text when it is written.
    if (value != m_editText)
        m_editKeyValue = QVariant();
    m_editText = value;
}

QString TCustomDBGridEh::GetEditMask(int col, int row)
{
    Q_UNUSED(row);
    const int dataCol = col - m_indicatorOffset;
    if (dataCol < 0 || dataCol >= Columns().Count())
        return QString();
    TColumnEh *column = Columns()[dataCol];
    if (!column->KeyList().isEmpty())
        return QString();
    if (!column->EditMask.isEmpty())
        return column->EditMask;
    TField *field = column->GetField();
    return field ? field->EditMask() : QString();
}

int TCustomDBGridEh::GetEditLimit()
{
    const int dataCol = SelectedIndex();
    if (dataCol < 0 || dataCol >= Columns().Count())
        return 0;
    TColumnEh *column = Columns()[dataCol];
    TField *field = column->GetField();
    return field && isStringType(field->DataType()) && column->KeyList().isEmpty() ? field->Size() : 0;
}

bool TCustomDBGridEh::EditAllowedByOperations() const
{
    TDataSet *ds = m_dataLink->DataSet();
    if (!m_dataLink->Active() || !ds)
        return false;
    if (!(AllowedOperations & alopUpdateEh) && ds->State() != dsInsert)
        return false;
    return !ds->IsEmpty() || (AllowedOperations & (alopInsertEh | alopAppendEh));
}

void TCustomDBGridEh::WriteEditorText()
{
    const int dataCol = SelectedIndex();
    if (dataCol < 0 || dataCol >= Columns().Count())
        return;
    TColumnEh *column = Columns()[dataCol];
    TField *field = column->GetField();
    if (!field)
        return;
    const QString text = InplaceEditor() ? InplaceEditor()->text() : m_editText;
    // The column's handler may make the text acceptable (add it to the list); then the list is read again.
    const auto notInList = [&] {
        bool recheck = false;
        if (column->OnNotInList)
            column->OnNotInList(column, text, recheck);
        return recheck;
    };
    const TColCellKindEh kind = column->GetCellKind();
    if (kind == ckKeyListEh) {
        int i = indexOfTextCI(column->PickList(), text);
        if (i < 0 && !text.isEmpty() && notInList())
            i = indexOfTextCI(column->PickList(), text);
        const QStringList &keys = column->KeyList();
        column->UpdateColumnData(QString(), i >= 0 && i < keys.size() ? QVariant(keys[i]) : QVariant(), false);
        return;
    }
    if (kind == ckPickListEh) {
        if (indexOfTextCI(column->PickList(), text) < 0 && !text.isEmpty())
            notInList();
        column->UpdateColumnData(text, QVariant(), true);
        return;
    }
    if (field->Lookup() && !field->KeyFields().isEmpty()) {
        QVariant key = m_editKeyValue;
        TDataSet *list = field->LookupDataSet();
        const auto find = [&] {
            if (list && list->Active()
                && list->Locate(field->LookupResultField(), text, loCaseInsensitive))
                key = list->FieldValues(field->LookupKeyFields());
        };
        if (!key.isValid() && !text.isEmpty()) {
            find();
            if (!key.isValid() && notInList())
                find();
        }
        const QStringList keyFields = SplitFieldNames(field->KeyFields());
        TDataSet *ds = field->DataSet();
        for (const QString &name : keyFields) {
            TField *keyField = ds->FindField(name);
            if (!keyField || !keyField->CanModify())
                return;
        }
        if (ds->State() == dsBrowse)
            ds->Edit();
        ds->SetFieldValues(field->KeyFields(), key);
        return;
    }
    column->UpdateColumnData(text, QVariant(), true);
}

// ---- Typed characters ----------------------------------------------------------------------------------------

void TCustomDBGridEh::KeyPress(QChar &key)
{
    if ((m_optionsEh & dghEnterAsTab) && key == QChar('\r'))
        key = QChar('\t');
    if (!(m_dbOptions & dgAlwaysShowEditor) && key == QChar('\r') && m_dataLink->Active() && m_dataLink->Modified())
        m_dataLink->UpdateRecord();
    const int dataCol = SelectedIndex();
    TColumnEh *column = dataCol >= 0 && dataCol < Columns().Count() ? Columns()[dataCol] : nullptr;
    // Space steps a check box or an image cell, Shift+Space backwards.
    if (key == QChar(' ') && column && !(m_dbOptions & dgRowSelect) && !m_incSearching) {
        const TColCellKindEh kind = column->GetCellKind();
        if (kind == ckCheckBoxEh || kind == ckImageEh) {
            column->StepColumnValue((m_lastKeyShift & Qt::ShiftModifier) ? -1 : 1);
            key = QChar();
            return;
        }
    }
    TCustomGrid::KeyPress(key);
    if (key.isNull() || key.unicode() <= 31 || !m_dataLink->Active() || !column)
        return;
    const TDataSetState state = m_dataLink->DataSet()->State();
    if (state == dsEdit || state == dsInsert)
        return;
    const bool editable = (m_dbOptions & dgEditing) && column->CanModify(false);
    const bool editorShown = InplaceEditor() && InplaceEditor()->isVisible();
    const bool search = m_incSearching || ((m_optionsEh & dghIncSearch) && !editable)
        || ((m_optionsEh & dghPreferIncSearch) && !(m_dbOptions & dgAlwaysShowEditor) && !editorShown);
    if (!search)
        return;
    const int timeout = m_incSearching ? m_incSearchTimeOut : DBGridEhIncSearchTimeOut;
    IncrementalSearch(QString(key), timeout, 0);
    key = QChar();
}

// ---- Edit actions --------------------------------------------------------------------------------------------

bool TCustomDBGridEh::ClipboardHasGridData() const
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    return data && (data->hasText() || data->hasFormat(QString::fromLatin1(ClipboardGridDataFormat)));
}

bool TCustomDBGridEh::EditActionAllowed(TDBGridEhEditAction action) const
{
    if (!(EditActions & action))
        return false;
    TDataSet *ds = m_dataLink->DataSet();
    const bool active = m_dataLink->Active() && ds;
    const unsigned kind = m_selection->SelectionType();
    const auto copyAllowed = [&] { return active && kind != gstNon; };
    const auto deleteAllowed = [&] {
        if (!active || m_readOnly || ds->IsEmpty() || !ds->CanModify() || kind == gstNon)
            return false;
        if (kind == gstRecordBookmarks || kind == gstAll)
            return (AllowedOperations & alopDeleteEh) != 0;
        return (AllowedOperations & alopUpdateEh) != 0;
    };
    switch (action) {
    case geaCopyEh:
        return copyAllowed();
    case geaCutEh:
        return copyAllowed() && deleteAllowed();
    case geaDeleteEh:
        return deleteAllowed();
    case geaPasteEh:
        return active && !m_readOnly && ds->CanModify() && ClipboardHasGridData()
            && ((AllowedOperations & alopUpdateEh) || ds->State() == dsInsert);
    case geaSelectAllEh:
        return active && !ds->IsEmpty() && SelectionKindUsable(gstAll);
    }
    return false;
}

bool TCustomDBGridEh::ExecuteEditAction(TDBGridEhEditAction action)
{
    if (!EditActionAllowed(action))
        return false;
    switch (action) {
    case geaCopyEh:
        CopySelectionToClipboard();
        break;
    case geaCutEh:
        CutSelectionToClipboard();
        break;
    case geaDeleteEh:
        ClearSelectionContents();
        break;
    case geaPasteEh:
        PasteClipboardIntoSelection();
        break;
    case geaSelectAllEh:
        m_selection->SelectEverything();
        break;
    }
    return true;
}
