#pragma once

#include <QDialog>
#include <QFrame>

class QLineEdit;
class QPushButton;

// The search strip of the list windows: a button and an edit that shows it has the focus by its colour.
class TSearchFrame : public QFrame
{
    Q_OBJECT
public:
    explicit TSearchFrame(QWidget *parent = nullptr);

    QPushButton *btnSearch = nullptr;
    QLineEdit *edtSearch = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setEditColor(bool focused);
};

// The "Готово" / "Отмена" pair at the bottom right of a dialog; each closes the dialog with its modal result.
class TOkCancelBtnsFrame : public QFrame
{
    Q_OBJECT
public:
    explicit TOkCancelBtnsFrame(QWidget *parent = nullptr);

    QPushButton *bbtnOk = nullptr;
    QPushButton *bbtnCancel = nullptr;

protected:
    void resizeEvent(QResizeEvent *event) override;
};

// The base of the small modal dialogs: an empty window in the button-face colour.
class TfrmKyvModal : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmKyvModal(QWidget *parent = nullptr);
};
