#include "DBGridEhFindDlg.h"

#include "DBCtrlsEh.h"
#include "Formats.h"
#include "Guard.h"
#include "Services.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>

// ---- The search ----------------------------------------------------------------------------------------------

void TDBGridEhFindSearch::MarkRestart()
{
    m_restart = true;
    m_position = Direction == fdUpEh ? std::max(0, int(Columns.size()) - 1) : 0;
}

QString TDBGridEhFindSearch::CellText(TColumnEh *column) const
{
    if (UseFormat)
        return column->GetColumnDisplayText();
    TField *field = column->GetField();
    return field ? field->AsString() : QString();
}

bool TDBGridEhFindSearch::Matches(const QString &cellText) const
{
    const QString text = CaseSensitive ? cellText : TextToUpper(cellText);
    const QString pattern = CaseSensitive ? Pattern : TextToUpper(Pattern);
    switch (Matching) {
    case fmWholeFieldEh:
        return text == pattern;
    case fmFromStartEh:
        return text.startsWith(pattern);
    case fmAnyPartEh:
        break;
    }
    return text.contains(pattern);
}

// One cell on: the next column, past the last the next record at the first; backward the other way. Answers
// false at the end (the beginning) of the dataset.
bool TDBGridEhFindSearch::step(TDataSet *ds, bool forward)
{
    const int count = int(Columns.size());
    if (forward) {
        if (++m_position < count)
            return true;
        m_position = 0;
        ds->Next();
        return !ds->Eof();
    }
    if (--m_position >= 0)
        return true;
    m_position = count - 1;
    if (ds->RecNo() <= 1)
        return false;
    ds->Prior();
    return true;
}

bool TDBGridEhFindSearch::FindNext(bool reverse)
{
    TDataSet *ds = Grid && Grid->DataSource() ? Grid->DataSource()->DataSet() : nullptr;
    if (!ds || !ds->Active() || Columns.isEmpty())
        return false;
    TFindDirectionEh direction = Direction;
    if (reverse)
        direction = direction == fdUpEh ? fdDownEh : fdUpEh;
    const bool forward = direction != fdUpEh;
    m_position = std::clamp(m_position, 0, int(Columns.size()) - 1);
    ds->DisableControls();
    const QByteArray view = ds->GetBookmark();
    bool found = false;
    try {
        bool more = !ds->IsEmpty();
        if (direction == fdAllEh && m_restart) {
            ds->First();
            m_position = 0;
        } else if (!m_restart && more) {
            more = step(ds, forward);
        }
        for (; more; more = step(ds, forward)) {
            TColumnEh *column = Columns[m_position];
            if (Matches(CellText(column))) {
                m_restart = false;
                found = true;
                break;
            }
        }
        if (!found && ds->BookmarkValid(view))
            ds->GotoBookmark(view);
    } catch (...) {
        ds->EnableControls();
        throw;
    }
    ds->EnableControls();
    if (found)
        Grid->SetSelectedIndex(Grid->Columns().IndexOf(Columns[m_position]));
    else
        Services::messages()->showMessage(QStringLiteral("Строка \"%1\" не найдена.").arg(Pattern));
    return found;
}

// ---- The window ----------------------------------------------------------------------------------------------

namespace {

const QString AllColumns = QStringLiteral("<All>");

QPointer<TDBGridEhFindDlg> &theDialog()
{
    static QPointer<TDBGridEhFindDlg> dialog;
    return dialog;
}

} // namespace

TDBGridEhFindDlg::TDBGridEhFindDlg(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("DBGridEhFindDlg"));
    setWindowTitle(QStringLiteral("Поиск"));
    const auto combo = [this](const char *name) {
        auto *c = new TDBComboBoxEh(this);
        c->setObjectName(QString::fromLatin1(name));
        return c;
    };
    cbText = combo("cbText");
    cbFindIn = combo("cbFindIn");
    cbMatchinType = combo("cbMatchinType");
    cbFindDirection = combo("cbFindDirection");
    cbMatchinType->SetItems(
        { QStringLiteral("С любой части поля"), QStringLiteral("Поля целиком"), QStringLiteral("С начала поля") });
    cbMatchinType->SetItemIndex(0);
    cbFindDirection->SetItems({ QStringLiteral("Вверх"), QStringLiteral("Вниз"), QStringLiteral("Все") });
    cbFindDirection->SetItemIndex(2);
    cbCharCase = new TDBCheckBoxEh(this);
    cbCharCase->setObjectName(QStringLiteral("cbCharCase"));
    cbCharCase->SetCaption(QStringLiteral("С учетом ре&гистра"));
    cbCharCase->SetChecked(false);
    cbUseFormat = new TDBCheckBoxEh(this);
    cbUseFormat->setObjectName(QStringLiteral("cbUseFormat"));
    cbUseFormat->SetCaption(QStringLiteral("С у&четом формата"));
    cbUseFormat->SetChecked(true);
    bFind = new QPushButton(QStringLiteral("На&йти далее"), this);
    bFind->setObjectName(QStringLiteral("bFind"));
    bFind->setAutoDefault(false);
    bCancel = new QPushButton(QStringLiteral("Закрыть"), this);
    bCancel->setObjectName(QStringLiteral("bCancel"));
    bCancel->setAutoDefault(false);

    auto *grid = new QGridLayout;
    const auto row = [&](int r, const char *label, QWidget *control) {
        auto *l = new QLabel(QString::fromUtf8(label), this);
        l->setBuddy(control);
        grid->addWidget(l, r, 0);
        grid->addWidget(control, r, 1);
    };
    row(0, "&Образец:", cbText);
    row(1, "&Поиск в:", cbFindIn);
    row(2, "&Совпадение:", cbMatchinType);
    row(3, "Прос&мотр:", cbFindDirection);
    grid->addWidget(cbCharCase, 4, 1);
    grid->addWidget(cbUseFormat, 5, 1);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(bFind);
    buttons->addWidget(bCancel);
    buttons->addStretch();
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(420, 0)));

    connect(bFind, &QPushButton::clicked, this, [this] { guard([this] { bFindClick(); }); });
    connect(bCancel, &QPushButton::clicked, this, [this] { guard([this] { bCancelClick(); }); });
    cbFindIn->OnChange = [this](QObject *) { cbFindInChange(); };
    cbText->OnChange = [this](QObject *) { cbTextChange(); };
    cbFindDirection->OnChange = [this](QObject *) { cbTextChange(); };
}

void TDBGridEhFindDlg::Prepare(
    TCustomDBGridEh *grid, const QString &text, const QList<QPair<QString, TColumnEh *>> &columns)
{
    m_search.Grid = grid;
    cbText->SetText(text);
    QStringList captions;
    m_listed.clear();
    if (!columns.isEmpty()) {
        for (const auto &[caption, column] : columns) {
            captions << caption;
            m_listed << column;
        }
    } else {
        for (int i = 0; i < grid->Columns().Count(); ++i) {
            TColumnEh *column = grid->Columns()[i];
            if (!column->Visible())
                continue;
            captions << column->Title().Caption();
            m_listed << column;
        }
    }
    captions << AllColumns;
    cbFindIn->SetItems(captions);
    cbFindIn->SetKeyItems(captions);
    const int current = grid->SelectedIndex();
    const int at
        = current >= 0 && current < grid->Columns().Count() ? int(m_listed.indexOf(grid->Columns()[current])) : -1;
    cbFindIn->SetItemIndex(at >= 0 ? at : int(captions.size()) - 1);
    cbFindInChange();
    readOptions();
    m_search.MarkRestart();
}

void TDBGridEhFindDlg::readOptions()
{
    m_search.Pattern = cbText->Text();
    m_search.Matching = TFindMatchingEh(std::max(0, cbMatchinType->ItemIndex()));
    m_search.Direction
        = TFindDirectionEh(cbFindDirection->ItemIndex() < 0 ? int(fdAllEh) : cbFindDirection->ItemIndex());
    m_search.CaseSensitive = cbCharCase->Checked();
    m_search.UseFormat = cbUseFormat->Checked();
}

void TDBGridEhFindDlg::cbFindInChange()
{
    const int index = cbFindIn->ItemIndex();
    m_search.Columns.clear();
    if (index >= 0 && index < m_listed.size())
        m_search.Columns << m_listed[index];
    else
        m_search.Columns = m_listed;
    m_search.MarkRestart();
}

void TDBGridEhFindDlg::cbTextChange()
{
    readOptions();
    m_search.MarkRestart();
}

void TDBGridEhFindDlg::findNext(bool reverse)
{
    readOptions();
    const QString pattern = cbText->Text();
    if (!pattern.isEmpty() && !cbText->Items().contains(pattern)) {
        cbText->SetItems(cbText->Items() + QStringList { pattern });
        cbText->SetText(pattern);
    }
    m_search.FindNext(reverse);
}

void TDBGridEhFindDlg::bFindClick()
{
    findNext(QGuiApplication::keyboardModifiers() & Qt::ControlModifier);
}

void TDBGridEhFindDlg::bCancelClick()
{
    close();
}

void TDBGridEhFindDlg::keyPressEvent(QKeyEvent *event)
try {
    const HandlerEdge edge;
    // Enter and Esc reach here only when the control holding the focus did not want them.
    const int key = event->key();
    if (key == Qt::Key_Escape) {
        if (isModal())
            reject();
        else
            close();
    } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        guard([&] { findNext(event->modifiers() & Qt::ControlModifier); });
    } else {
        QDialog::keyPressEvent(event);
        return;
    }
    cbText->setModified(false);
    event->accept();
} catch (...) {
    endAtHandlerEdge();
}

TDBGridEhFindDlg *GridFindDialog()
{
    return theDialog();
}

void ShowGridFindDialog(
    TCustomDBGridEh *grid, const QString &text, bool modal, const QList<QPair<QString, TColumnEh *>> &columns)
{
    QPointer<TDBGridEhFindDlg> &dialog = theDialog();
    if (!dialog) {
        dialog = new TDBGridEhFindDlg;
        // The application owns the one dialog: it goes when the application does.
        QObject::connect(qApp, &QObject::destroyed, dialog, &QObject::deleteLater);
    }
    if (dialog->isVisible())
        dialog->close();
    dialog->Prepare(grid, text, columns);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        dialog->move(screen->availableGeometry().center() - dialog->rect().center());
    dialog->cbText->setFocus();
    if (modal) {
        dialog->setWindowFlag(Qt::WindowStaysOnTopHint, false);
        dialog->setModal(true);
        dialog->exec();
    } else {
        dialog->setModal(false);
        dialog->setWindowFlag(Qt::WindowStaysOnTopHint, true);
        dialog->show();
        dialog->activateWindow();
        dialog->cbText->setFocus();
    }
}

// ---- The grid's Ctrl+F ---------------------------------------------------------------------------------------

void TCustomDBGridEh::ShowFindDialog()
{
    QString text;
    if (InplaceEditor() && InplaceEditor()->isVisible())
        text = InplaceEditor()->selectedText();
    ShowGridFindDialog(this, text, IsFindDialogModal());
}
