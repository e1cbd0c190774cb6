#include "StorageInterceptorsEh.h"

#include "DBGridEh.h"
#include "Formats.h"

#include <QGuiApplication>
#include <QScreen>

#include <vector>

namespace {

using Registration = QPair<const QMetaObject *, const QMetaObject *>;

std::vector<Registration> &Registrations()
{
    static std::vector<Registration> list;
    return list;
}

Qt::WindowStates QtState(int state)
{
    switch (state) {
    case wsMinimized:
        return Qt::WindowMinimized;
    case wsMaximized:
        return Qt::WindowMaximized;
    default:
        return Qt::WindowNoState;
    }
}

int StateOf(const QWidget &form)
{
    if (form.windowState() & Qt::WindowMinimized)
        return wsMinimized;
    if (form.windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))
        return wsMaximized;
    return wsNormal;
}

// The names of a comma list: quoted names keep their blanks and commas ("" stands for one quote), unquoted ones
// end at a comma or a blank.
QStringList CommaListNames(const QString &text)
{
    QStringList names;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        while (i < n && (text[i] == QLatin1Char(',') || text[i].isSpace()))
            ++i;
        if (i >= n)
            break;
        QString name;
        if (text[i] == QLatin1Char('"')) {
            for (++i; i < n; ++i) {
                if (text[i] == QLatin1Char('"')) {
                    if (i + 1 < n && text[i + 1] == QLatin1Char('"')) {
                        name += QLatin1Char('"');
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                name += text[i];
            }
        } else {
            while (i < n && text[i] != QLatin1Char(',') && !text[i].isSpace())
                name += text[i++];
        }
        names << name;
    }
    return names;
}

} // namespace

void RegisterStoragePropertyInterceptor(const QMetaObject &objectClass, const QMetaObject &interceptorClass)
{
    std::vector<Registration> &list = Registrations();
    std::erase_if(list, [&](const Registration &r) { return r.first == &objectClass; });
    list.emplace_back(&objectClass, &interceptorClass);
}

void UnregisterStoragePropertyInterceptor(const QMetaObject &objectClass, const QMetaObject &interceptorClass)
{
    std::erase_if(Registrations(), [&](const Registration &r) {
        return r.first == &objectClass && r.second == &interceptorClass;
    });
}

QList<QPair<const QMetaObject *, const QMetaObject *>> StoragePropertyInterceptors()
{
    return QList<Registration>(Registrations().begin(), Registrations().end());
}

TStoragePropertyInterceptor::TStoragePropertyInterceptor(QObject *target)
    : m_target(target)
{
}

// ---- Window placement

TFormStoragePropertyInterceptor::TFormStoragePropertyInterceptor(QObject *target)
    : TStoragePropertyInterceptor(target)
{
    auto *widget = qobject_cast<QWidget *>(target);
    if (!widget || !widget->isWindow())
        return;
    m_form = widget;
    m_windowState = StateOf(*widget);
    m_rect = m_windowState != wsNormal && widget->normalGeometry().isValid() ? widget->normalGeometry()
                                                                            : widget->geometry();
    m_pixelsPerInch = widget->logicalDpiY();
    m_activeControl = widget->focusWidget();
}

void TFormStoragePropertyInterceptor::SetLeft(int value)
{
    m_rect.moveLeft(value);
    m_positionPresent = true;
}

void TFormStoragePropertyInterceptor::SetTop(int value)
{
    m_rect.moveTop(value);
    m_positionPresent = true;
}

int TFormStoragePropertyInterceptor::ScreenPixelsPerInch() const
{
    const QScreen *screen = m_form && m_form->screen() ? m_form->screen() : QGuiApplication::primaryScreen();
    return screen ? qRound(screen->logicalDotsPerInchY()) : 96;
}

void TFormStoragePropertyInterceptor::ReadingFinished()
{
    if (!m_form)
        return;
    const int screen = ScreenPixelsPerInch();
    const int stored = m_pixelsPerInch > 0 ? m_pixelsPerInch : screen;
    const QRect rect(MulDiv(m_rect.left(), screen, stored), MulDiv(m_rect.top(), screen, stored),
                     MulDiv(m_rect.width(), screen, stored), MulDiv(m_rect.height(), screen, stored));
    // Qt keeps a window's normal rectangle only while the window is in the normal state: the rectangle is set
    // there and the state given afterwards.
    if (m_form->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        m_form->setWindowState(Qt::WindowNoState);
    m_form->setGeometry(rect);
    if (m_windowState != wsNormal)
        m_form->setWindowState(QtState(m_windowState));
    if (m_activeControl && m_form->isAncestorOf(m_activeControl))
        m_activeControl->setFocus();
}

// ---- Column width

TColumnEhPropertyInterceptor::TColumnEhPropertyInterceptor(QObject *target)
    : TStoragePropertyInterceptor(target)
{
}

TColumnEh *TColumnEhPropertyInterceptor::column() const
{
    return qobject_cast<TColumnEh *>(Target());
}

int TColumnEhPropertyInterceptor::Width() const
{
    return column() ? column()->Width() : 0;
}

void TColumnEhPropertyInterceptor::SetWidth(int value)
{
    TColumnEh *col = column();
    if (!col)
        return;
    TCustomDBGridEh *grid = col->GetGrid();
    if (grid && grid->AutoFitColWidths()) {
        col->SetInitWidth(value);
        grid->LayoutChanged();
    } else {
        col->SetWidth(value);
    }
}

// ---- Column order

TColumnsEhPropertyInterceptor::TColumnsEhPropertyInterceptor(QObject *target)
    : TStoragePropertyInterceptor(target)
{
}

TDBGridColumnsEh *TColumnsEhPropertyInterceptor::columns() const
{
    return qobject_cast<TDBGridColumnsEh *>(Target());
}

QString TColumnsEhPropertyInterceptor::ColumnsIndex() const
{
    QStringList names;
    if (const TDBGridColumnsEh *cols = columns())
        for (int i = 0; i < cols->Count(); ++i)
            names << QLatin1Char('"') + cols->GetColumn(i)->FieldName().replace(QLatin1Char('"'), QStringLiteral("\"\""))
                    + QLatin1Char('"');
    return names.join(QLatin1Char(','));
}

void TColumnsEhPropertyInterceptor::SetColumnsIndex(const QString &value)
{
    TDBGridColumnsEh *cols = columns();
    if (!cols)
        return;
    cols->BeginUpdate();
    try {
        // A name of no column (a field dropped since the order was saved) takes no place, so the columns that
        // remain keep the order they were saved in.
        int place = 0;
        for (const QString &name : CommaListNames(value)) {
            for (int i = place; i < cols->Count(); ++i)
                if (cols->GetColumn(i)->FieldName() == name) {
                    cols->GetColumn(i)->SetIndex(place++);
                    break;
                }
        }
    } catch (...) {
        cols->EndUpdate();
        throw;
    }
    cols->EndUpdate();
}

namespace {

// The grid's modules start: the three interceptors are there for any property storage.
[[maybe_unused]] const bool registered = [] {
    RegisterStoragePropertyInterceptor(QWidget::staticMetaObject, TFormStoragePropertyInterceptor::staticMetaObject);
    RegisterStoragePropertyInterceptor(TColumnEh::staticMetaObject, TColumnEhPropertyInterceptor::staticMetaObject);
    RegisterStoragePropertyInterceptor(TDBGridColumnsEh::staticMetaObject,
                                       TColumnsEhPropertyInterceptor::staticMetaObject);
    return true;
}();

} // namespace
