#pragma once

#include "FR_Class.h"

#include <QImage>
#include <QPointer>

#include <functional>

class QObject;
class QWidget;

// The base of the dialog controls of dialog pages: a report object wrapping a widget. The object owns the
// widget; until it is placed on a dialog page's window the widget lives on the engine's hidden dialog host,
// and the object is drawn by rendering the widget into a picture.
class TfrControl : public TfrView
{
public:
    TfrControl();
    ~TfrControl() override;
    QString ClassName() const override { return QStringLiteral("TfrControl"); }

    void SetPropertyValue(const QString &name, const Variant &value) override;
    void RegisterProperties() override;
    void Draw(ReportCanvas &canvas) override;
    // Dialog controls offer no items of their own.
    void BuildPopupMenu(QMenu *) override {}
    // Paints the wrapped widget's image on DrawCanvas at the object's place.
    virtual void PaintControl(ReportCanvas &canvas);

    // The widget goes onto the window at the object's bounds.
    void PlaceOnForm(QWidget *form);
    QWidget *Control() const { return m_control; }

protected:
    // Set by a concrete control once it has made its widget.
    void SetControl(QWidget *control);

private:
    QPointer<QWidget> m_control;
};

// The base of dialog controls wrapping a component without a window of its own: drawn as a 28 x 28 icon.
class TfrNonVisualControl : public TfrControl
{
public:
    TfrNonVisualControl();
    ~TfrNonVisualControl() override;
    QString ClassName() const override { return QStringLiteral("TfrNonVisualControl"); }

    void SetPropertyValue(const QString &name, const Variant &value) override;
    void RegisterProperties() override;
    void Draw(ReportCanvas &canvas) override;
    void PaintControl(ReportCanvas &canvas) override;

    QObject *Component() const { return m_component; }

    quint8 Reserved = 0;
    QImage Icon;
    TfrVariables Variables;

protected:
    // Set by a concrete control; the component's name follows the object's.
    void SetComponent(QObject *component);

private:
    QPointer<QObject> m_component;
};

// Shows a dialog page's window before the report pages are built, its controls on it; answers whether it was
// cancelled (closed without OK, or given the result Cancel by the page script). runScript runs the page
// script once, when the window is about to show; without visual controls, or on an invisible page, only the
// script runs. Failures of the script are recorded as expression errors of the build.
bool ShowDialogPage(TfrPage &page, const std::function<void()> &runScript);
// Frees a dialog page's objects and window once the build is over (the template is reloaded after it).
void FreeDialogPage(TfrPage &page);
