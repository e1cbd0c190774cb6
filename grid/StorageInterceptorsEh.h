#pragma once

// Stand-ins a property storage reads and writes in place of an object: properties the object does not offer
// itself, or that must be applied in their own way. An interceptor class is registered for an object class;
// its Q_PROPERTYs are what the storage saves and restores, and it is made with
// QMetaObject::newInstance(Q_ARG(QObject *, target)). The grid registers three when the program starts: window
// placement for windows (QWidget), the width of a grid column and the order of a grid's columns.

#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QRect>
#include <QWidget>

class TColumnEh;
class TDBGridColumnsEh;

// Removes every earlier registration of the object class, then appends the pair.
void RegisterStoragePropertyInterceptor(const QMetaObject &objectClass, const QMetaObject &interceptorClass);
// Removes the pairs of exactly these two classes.
void UnregisterStoragePropertyInterceptor(const QMetaObject &objectClass, const QMetaObject &interceptorClass);
// The registrations in order: object class, interceptor class.
QList<QPair<const QMetaObject *, const QMetaObject *>> StoragePropertyInterceptors();

class TStoragePropertyInterceptor : public QObject
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TStoragePropertyInterceptor(QObject *target);
    QObject *Target() const { return m_target; }
    // Called around restoring: whether reading may go on, and the moment to apply what was read.
    virtual bool ReadingStarted() { return true; }
    virtual void ReadingFinished() {}

private:
    QPointer<QObject> m_target;
};

enum TWindowState { wsNormal, wsMinimized, wsMaximized };

// A window's placement: its normal rectangle (the one it returns to from maximised or minimised), its state, its
// active control and the pixels per inch it was saved at, so that a placement saved on one screen is scaled to
// the screen it is restored on.
class TFormStoragePropertyInterceptor : public TStoragePropertyInterceptor
{
    Q_OBJECT
    Q_PROPERTY(QWidget *ActiveControl READ ActiveControl WRITE SetActiveControl)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(int Left READ Left WRITE SetLeft)
    Q_PROPERTY(int PixelsPerInch READ PixelsPerInch WRITE SetPixelsPerInch)
    Q_PROPERTY(int Top READ Top WRITE SetTop)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_PROPERTY(int WindowState READ WindowState WRITE SetWindowState)
public:
    Q_INVOKABLE explicit TFormStoragePropertyInterceptor(QObject *target);

    // The rectangle's values; 0 when the target is not a window.
    int Left() const { return m_form ? m_rect.left() : 0; }
    void SetLeft(int value);
    int Top() const { return m_form ? m_rect.top() : 0; }
    void SetTop(int value);
    int Width() const { return m_form ? m_rect.width() : 0; }
    void SetWidth(int value) { m_rect.setWidth(value); }
    int Height() const { return m_form ? m_rect.height() : 0; }
    void SetHeight(int value) { m_rect.setHeight(value); }
    int PixelsPerInch() const { return m_pixelsPerInch; }
    void SetPixelsPerInch(int value) { m_pixelsPerInch = value; }
    int WindowState() const { return m_windowState; }
    void SetWindowState(int value) { m_windowState = value; }
    QWidget *ActiveControl() const { return m_activeControl; }
    void SetActiveControl(QWidget *value) { m_activeControl = value; }
    // Left or Top was written: the saved position is to be used.
    bool PositionPresent() const { return m_positionPresent; }

    // Scales the rectangle to this screen, then gives the window its state, active control and rectangle (as the
    // normal one when it is maximised or minimised).
    void ReadingFinished() override;

protected:
    virtual int ScreenPixelsPerInch() const;

private:
    QPointer<QWidget> m_form;
    QRect m_rect;
    int m_pixelsPerInch = 96;
    int m_windowState = wsNormal;
    QPointer<QWidget> m_activeControl;
    bool m_positionPresent = false;
};

// A column's width: written to its auto-fit share when the grid fits its columns to its width.
class TColumnEhPropertyInterceptor : public TStoragePropertyInterceptor
{
    Q_OBJECT
    // Only written by a storage; reading answers the column's width.
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
public:
    Q_INVOKABLE explicit TColumnEhPropertyInterceptor(QObject *target);
    int Width() const;
    void SetWidth(int value);

private:
    TColumnEh *column() const;
};

// The order of a grid's columns as their field names: "A","B","C".
class TColumnsEhPropertyInterceptor : public TStoragePropertyInterceptor
{
    Q_OBJECT
    Q_PROPERTY(QString ColumnsIndex READ ColumnsIndex WRITE SetColumnsIndex)
public:
    Q_INVOKABLE explicit TColumnsEhPropertyInterceptor(QObject *target);
    QString ColumnsIndex() const;
    // Moves the column of each name, in one update, to the place the name takes among the known ones; names
    // of no column are skipped.
    void SetColumnsIndex(const QString &value);
    void ReadingFinished() override {}

private:
    TDBGridColumnsEh *columns() const;
};
