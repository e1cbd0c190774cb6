#pragma once

// The inspector's own controls; only the inspector makes them.
#include <QComboBox>
#include <QWidget>

class TfrInspForm;

// Draws the rows and takes the mouse over them: row selection and the name column's splitter.
class TInspPaintBox : public QWidget
{
public:
    TInspPaintBox(TfrInspForm *form, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;

private:
    TfrInspForm *m_form;
};

// The object combo: while dropped down it lists the names the designer gives, closed it shows the object's name
// and class.
class TInspObjectCombo : public QComboBox
{
public:
    explicit TInspObjectCombo(TfrInspForm *form);

    void showPopup() override;

protected:
    void paintEvent(QPaintEvent *e) override;

private:
    TfrInspForm *m_form;
};
