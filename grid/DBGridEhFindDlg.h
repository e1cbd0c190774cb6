#pragma once

// The grid's search window ("Поиск"): one instance for every grid of the process, searching the text the cells
// show (or the raw values) column by column and record by record. The search itself is TDBGridEhFindSearch,
// usable without the window.

#include "DBGridEh.h"

#include <QDialog>
#include <QPair>

class QLabel;
class QPushButton;
class TDBCheckBoxEh;
class TDBComboBoxEh;

enum TFindMatchingEh { fmAnyPartEh, fmWholeFieldEh, fmFromStartEh };
enum TFindDirectionEh { fdUpEh, fdDownEh, fdAllEh };

class TDBGridEhFindSearch
{
public:
    TCustomDBGridEh *Grid = nullptr;
    // The columns searched, in order.
    TColumnsEhList Columns;
    QString Pattern;
    TFindMatchingEh Matching = fmAnyPartEh;
    TFindDirectionEh Direction = fdAllEh;
    bool CaseSensitive = false;
    // The text the cells show; else the field's value as text.
    bool UseFormat = true;

    // The place in Columns where the search stands.
    int Position() const { return m_position; }
    bool Restarting() const { return m_restart; }
    // The next search starts afresh: at the last column searching up, else at the first.
    void MarkRestart();
    // Moves the grid to the next matching cell; reverse turns the direction round for this search. Without a
    // match the grid shows what it showed before and the not-found message is shown.
    bool FindNext(bool reverse = false);
    bool Matches(const QString &cellText) const;
    QString CellText(TColumnEh *column) const;

private:
    bool step(TDataSet *ds, bool forward);
    int m_position = 0;
    bool m_restart = true;
};

class TDBGridEhFindDlg : public QDialog
{
    Q_OBJECT
public:
    explicit TDBGridEhFindDlg(QWidget *parent = nullptr);

    TDBComboBoxEh *cbText = nullptr;
    TDBComboBoxEh *cbFindIn = nullptr;
    TDBComboBoxEh *cbMatchinType = nullptr;
    TDBComboBoxEh *cbFindDirection = nullptr;
    TDBCheckBoxEh *cbCharCase = nullptr;
    TDBCheckBoxEh *cbUseFormat = nullptr;
    QPushButton *bFind = nullptr;
    QPushButton *bCancel = nullptr;

    // Fills the dialog for a grid: the pattern, the columns (the given pairs, else the grid's visible columns by
    // title) and "<All>", the grid's current column chosen.
    void Prepare(TCustomDBGridEh *grid, const QString &text, const QList<QPair<QString, TColumnEh *>> &columns);
    TDBGridEhFindSearch &Search() { return m_search; }

    void bFindClick();
    void bCancelClick();
    void cbFindInChange();
    void cbTextChange();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void findNext(bool reverse);
    void readOptions();
    TDBGridEhFindSearch m_search;
    QList<TColumnEh *> m_listed;
};

// Creates the one dialog when there is none, prepares it and shows it: modal, or staying on top and focused.
void ShowGridFindDialog(
    TCustomDBGridEh *grid, const QString &text, bool modal, const QList<QPair<QString, TColumnEh *>> &columns = {});
// The dialog, when one was made.
TDBGridEhFindDlg *GridFindDialog();
