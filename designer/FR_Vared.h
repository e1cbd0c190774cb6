#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;
class TfrVariables;

// The data dictionary's variables as one text: categories at the left margin, each followed by its variables
// indented by a blank. Renaming and reordering are done by editing the lines.
class TfrVaredForm : public QDialog
{
    Q_OBJECT
public:
    explicit TfrVaredForm(QWidget *parent = nullptr);

    // Shows the list as text; on OK the list is rebuilt from the lines, each entry keeping the value it had
    // under its name, and true is answered. Cancel leaves the list as it was.
    static bool Execute(TfrVariables &variables);

    QPlainTextEdit *Memo1;
    QPushButton *Button4, *Button5;
    TfrVariables *Variables = nullptr;

private:
    void ShowVariables();
    void StoreVariables();
};
