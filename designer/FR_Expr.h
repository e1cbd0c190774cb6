#pragma once

#include "FR_Ctrls.h"

#include <QDialog>
#include <QList>

class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class TfrIconListBox;

// The category chosen last in the variable dialog, kept while the program runs.
extern QString LastVarCategory;

// A name as an expression refers to it: unchanged when it holds only points, digits, Latin letters and "_",
// else in square brackets (names with blanks, quotes or Cyrillic letters).
QString BracketIfNeeded(const QString &name);

// The expression builder: the expression in ExprMemo, built from operator buttons, database fields, variables
// and functions. Callers may preset ExprMemo and read its text on OK; it comes without surrounding brackets.
class TfrExprForm : public QDialog
{
    Q_OBJECT
public:
    explicit TfrExprForm(QWidget *parent = nullptr);

    QPlainTextEdit *ExprMemo;
    QGroupBox *GroupBox1;
    QGroupBox *GroupBox2;
    // frSpeedButton1 .. frSpeedButton13: "+" .. "Not".
    QList<TfrSpeedButton *> OperatorButtons;
    QPushButton *InsDBBtn;
    QPushButton *InsVarBtn;
    QPushButton *InsFuncBtn;
    QPushButton *Button1;
    QPushButton *Button2;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Replaces the memo's selection.
    void InsertText(const QString &text);
    void InsDBBtnClick();
    void InsVarBtnClick();
    void InsFuncBtnClick();
};

// Chooses one of the registered functions by category; its syntax and description show below the lists.
class TfrFuncForm : public QDialog
{
    Q_OBJECT
public:
    explicit TfrFuncForm(QWidget *parent = nullptr);

    // The selected function; empty when none is.
    QString SelectedFunction() const;

    QTreeWidget *Tree1;
    TfrIconListBox *FuncLB;
    QLabel *FuncLabel;
    QLabel *DescrLabel;
    QPushButton *Button1;
    QPushButton *Button2;

private:
    void ShowCategory();
    void ShowFunction();
};

// Takes up to three arguments of a function; argument edits beyond the syntax's commas stay disabled.
class TfrFuncArgForm : public QDialog
{
    Q_OBJECT
public:
    explicit TfrFuncArgForm(QWidget *parent = nullptr);

    // The function's name when shown; its call with the arguments typed when the dialog has closed.
    QString Expression;

    QLabel *FuncLabel;
    QLabel *DescrLabel;
    QLabel *Label1, *Label2, *Label3;
    TfrComboEdit *ArgEdit1, *ArgEdit2, *ArgEdit3;
    QPushButton *Button1;
    QPushButton *Button2;

    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;
};

// Chooses a variable of the report's dictionary or a system variable.
class TfrVarForm : public QDialog
{
    Q_OBJECT
public:
    explicit TfrVarForm(QWidget *parent = nullptr);

    // After OK: the chosen variable ('' when none of the dictionary's), or the system variable's own name.
    QString VarName;

    TfrIconListBox *CategoryLB;
    TfrIconListBox *VarLB;
    QPushButton *Button1;
    QPushButton *Button2;

    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    bool SystemCategory() const;
    void ShowVariables();
};
