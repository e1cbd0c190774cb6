// Every window the main window opens by class name, and every guide: no key runs two actions at once, and
// no navigator or tool bar is squeezed below the size it asks for.
#include "CustomerProgramFixture.h"
#include "FormClasses.h"
#include "Kyv_DBNavigator.h"
#include "frmuAreaGuide.h"
#include "frmuCASConsole.h"
#include "frmuActSubscr.h"
#include "frmuCompanyGuide.h"
#include "frmuCustFilterOptions.h"
#include "frmuCustomerPayment.h"
#include "frmuCustomerTicket.h"
#include "frmuCust_PropGuide.h"
#include "frmuDTVProviderGuide.h"
#include "frmuEmployee.h"
#include "frmuHouseGuide.h"
#include "frmuLocationGuide.h"
#include "frmuPaySourceGuide.h"
#include "frmuSelectActService.h"
#include "frmuServTypeGuide.h"
#include "frmuServicePackageGuide.h"
#include "frmuSingleServiceTarifGuide.h"
#include "frmuSmartCards.h"
#include "frmuStreetGuide.h"
#include "frmuSubAreaGuide.h"
#include "frmuSubscrHistory.h"
#include "frmuTeam.h"
#include "uAccounts.h"

#include <QAction>
#include <QApplication>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QStackedWidget>
#include <QToolBar>

#include <functional>
#include <memory>

#include <gtest/gtest.h>

namespace {

// The widgets within which focus lets the action's shortcut fire: its own widgets for a widget context, the
// whole window (or MDI child) for a window context. Actions of a menu count through the menu's own place.
void addScopes(QAction *action, const QObjectList &places, QList<QWidget *> &scopes)
{
    for (QObject *place : places) {
        if (auto *menu = qobject_cast<QMenu *>(place)) {
            // A drop-down menu of the action itself adds no place of its own.
            if (menu->menuAction() != action)
                addScopes(action, menu->menuAction()->associatedObjects(), scopes);
            continue;
        }
        auto *widget = qobject_cast<QWidget *>(place);
        if (!widget)
            continue;
        if (action->shortcutContext() == Qt::WindowShortcut || action->shortcutContext() == Qt::ApplicationShortcut) {
            QWidget *root = widget;
            while (!root->isWindow() && !qobject_cast<QMdiSubWindow *>(root))
                root = root->parentWidget();
            scopes << root;
        } else {
            scopes << widget;
        }
    }
}

bool nested(const QWidget *a, const QWidget *b)
{
    return a == b || a->isAncestorOf(b) || b->isAncestorOf(a);
}

// "key: first / second" for every two actions under `top` that a focus somewhere would both fire.
QStringList shortcutClashes(QWidget *top)
{
    struct Bound
    {
        QAction *action;
        QList<QWidget *> scopes;
    };
    QList<Bound> bound;
    for (QAction *a : top->findChildren<QAction *>()) {
        if (a->shortcuts().isEmpty())
            continue;
        Bound b { a, {} };
        addScopes(a, a->associatedObjects(), b.scopes);
        if (!b.scopes.isEmpty())
            bound << b;
    }
    QStringList clashes;
    for (int i = 0; i < bound.size(); ++i)
        for (int j = i + 1; j < bound.size(); ++j)
            for (const QKeySequence &key : bound[i].action->shortcuts()) {
                if (!bound[j].action->shortcuts().contains(key))
                    continue;
                bool overlap = false;
                for (QWidget *x : bound[i].scopes)
                    for (QWidget *y : bound[j].scopes)
                        overlap = overlap || nested(x, y);
                if (overlap)
                    clashes << key.toString() + QStringLiteral(": ") + bound[i].action->objectName()
                            + QStringLiteral(" / ") + bound[j].action->objectName();
            }
    return clashes;
}

// "name w x h < hint" for every navigator and tool bar of `window` shown smaller than it asks, on each page of
// its page controls in turn.
QStringList squeezedBars(QWidget *shown)
{
    QStringList squeezed;
    // A window may close itself once it has looked at its data (one that needs a customer chosen, say).
    const QPointer<QWidget> window = shown;
    auto check = [&] {
        QApplication::sendPostedEvents();
        if (!window)
            return;
        for (QWidget *w : window->findChildren<QWidget *>()) {
            if (!w->isVisibleTo(window))
                continue;
            QSize need;
            if (auto *bar = qobject_cast<QToolBar *>(w))
                // A tool bar may hide its last buttons behind its extension; its thickness it needs whole.
                need = bar->orientation() == Qt::Horizontal ? QSize(0, bar->sizeHint().height())
                                                            : QSize(bar->sizeHint().width(), 0);
            else if (qobject_cast<TKyv_DBNavigator *>(w))
                need = w->sizeHint();
            else
                continue;
            if (!need.isValid() || w->width() < need.width() || w->height() < need.height()) {
                const QString line = window->objectName() + QLatin1Char('.') + w->objectName() + QLatin1Char(' ')
                    + QString::number(w->width()) + QLatin1Char('x') + QString::number(w->height())
                    + QStringLiteral(" < ") + QString::number(need.width()) + QLatin1Char('x')
                    + QString::number(need.height());
                if (!squeezed.contains(line))
                    squeezed << line;
            }
        }
    };
    // Every page of every page control (tab pages included) in turn, the pages within a page while it is shown.
    std::function<void(QWidget *)> walk = [&](QWidget *within) {
        for (const QPointer<QStackedWidget> &pages : within->findChildren<QStackedWidget *>()) {
            if (!pages)
                continue;
            QWidget *outer = pages->parentWidget();
            while (outer != within && !qobject_cast<QStackedWidget *>(outer))
                outer = outer->parentWidget();
            if (outer != within)
                continue; // walked with the page that holds it
            const int current = pages->currentIndex();
            for (int i = 0; pages && window && i < pages->count(); ++i) {
                pages->setCurrentIndex(i);
                check();
                if (pages && window)
                    walk(pages->widget(i));
            }
            if (pages)
                pages->setCurrentIndex(current);
        }
    };
    check();
    if (window)
        walk(window);
    return squeezed;
}

class HardeningWindows : public CustomerWindowsFixture
{
protected:
    void SetUp() override
    {
        CustomerWindowsFixture::SetUp();
        if (HasFatalFailure())
            return;
        RegisterAccountsForms();
        RegisterCasForms();
    }
    void TearDown() override
    {
        deleteChildForms();
        CustomerWindowsFixture::TearDown();
    }
};

TEST_P(HardeningWindows, EveryRegisteredWindowHasNoSharedShortcutAndRoomForItsBars)
{
    const QStringList classes = RegisteredFormClasses();
    EXPECT_TRUE(classes.contains(QStringLiteral("TfrmPayDoc")));
    for (const QString &name : classes) {
        SCOPED_TRACE(name.toStdString());
        const QPointer<QWidget> form = m_scope.main()->CreateChildForm(name, 0);
        ASSERT_TRUE(form);
        EXPECT_EQ(shortcutClashes(m_scope.main()).join(QLatin1Char('\n')).toStdString(), "");
        // The bars are measured with the window on the screen by itself, about the size of the main window's
        // client area: the main window stays hidden, as its first showing would log on.
        std::unique_ptr<QWidget> frame(form->parentWidget());
        form->setParent(nullptr);
        const std::unique_ptr<QWidget> shown(form);
        shown->resize(1000, 700);
        shown->show();
        EXPECT_EQ(squeezedBars(shown.get()).join(QLatin1Char('\n')).toStdString(), "");
    }
}

TEST_P(HardeningWindows, EveryGuideHasNoSharedShortcutAndRoomForItsBars)
{
    const std::function<QWidget *()> guides[] = {
        [] { return new TfrmLocationGuide; },
        [] { return new TfrmAreaGuide; },
        [] { return new TfrmSubAreaGuide; },
        [] { return new TfrmStreetGuide; },
        [] { return new TfrmHouseGuide; },
        [] { return new TfrmCompanyGuide; },
        [] { return new TfrmCust_PropGuide; },
        [] { return new TfrmTeam; },
        [] { return new TfrmEmployee; },
        [] { return new TfrmServicePackageGuide; },
        [] { return new TfrmServTypeGuide; },
        [] { return new TfrmSingleServiceTarifGuide; },
        [] { return new TfrmPaySourceGuide; },
        [] { return new TfrmDTVProviderGuide; },
        [] { return new TfrmSmartCards; },
    };
    for (const auto &make : guides) {
        std::unique_ptr<QWidget> guide(make());
        SCOPED_TRACE(guide->objectName().toStdString());
        guide->show();
        EXPECT_EQ(shortcutClashes(guide.get()).join(QLatin1Char('\n')).toStdString(), "");
        EXPECT_EQ(squeezedBars(guide.get()).join(QLatin1Char('\n')).toStdString(), "");
    }
}

// The dialogs a customer waits on at the counter go down with the program and bring it back, as it was.
TEST_P(HardeningWindows, MinimisingADialogMinimisesTheProgramAndRestoringItRestoresIt)
{
    const std::function<QWidget *()> dialogs[] = {
        [] { return new TfrmCustomerPayment; },
        [] { return new TfrmCustFilterOptions; },
        [] { return new TfrmActSubscr; },
        [] { return new TfrmSelectActService; },
        [] { return new TfrmSubscrHistory; },
        [] { return new TfrmCustomerTicket(QVariant()); },
    };
    QWidget *main = m_scope.main();
    for (const auto &make : dialogs) {
        const std::unique_ptr<QWidget> dialog(make());
        SCOPED_TRACE(dialog->objectName().toStdString());
        main->setWindowState(Qt::WindowMaximized);

        dialog->setWindowState(Qt::WindowMinimized);
        EXPECT_TRUE(main->isMinimized());
        dialog->setWindowState(Qt::WindowNoState);
        EXPECT_FALSE(main->isMinimized());
        EXPECT_TRUE(main->isMaximized()) << "back in the state it had";

        // The program minimised on its own comes back when the user returns to the dialog.
        main->setWindowState(Qt::WindowMaximized | Qt::WindowMinimized);
        dialog->show();
        QApplication::setActiveWindow(dialog.get());
        ASSERT_TRUE(dialog->isActiveWindow());
        EXPECT_FALSE(main->isMinimized());
        EXPECT_TRUE(main->isMaximized());
        dialog->hide();
    }
}

// A window reads its controls and calls a unit that holds its statements: no string of a window's source is a
// statement or a condition of one.
TEST(HardeningWindowSources, NoWindowHoldsSqlText)
{
    const QRegularExpression literal(QStringLiteral(R"re("((?:[^"\\]|\\.)*)")re"));
    const QRegularExpression statement(QStringLiteral(
        R"re(\b(insert\s+into|delete\s+from)\b|\bupdate\s+[\w.]+\s+set\b|\b(from|join)\s+ZOLT\.|)re"
        R"re(^\s*select\s+(\*|distinct\b|[\w.]+\s*(,|\bas\b|\bfrom\b))|^\s*where\s+\w+\s*(=|<|>|\bin\b|\bis\b))re"),
        QRegularExpression::CaseInsensitiveOption);
    QStringList found;
    int windows = 0;
    QDirIterator files(QStringLiteral(TARVIK_SOURCE_DIR), { QStringLiteral("frm*.cpp"), QStringLiteral("frm*.h") },
        QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        const QString relative = QDir(QStringLiteral(TARVIK_SOURCE_DIR)).relativeFilePath(path);
        if (relative.startsWith(QLatin1String("tests/")) || relative.startsWith(QLatin1String("build")))
            continue;
        ++windows;
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        for (int i = 0; i < lines.size(); ++i)
            for (auto m = literal.globalMatch(lines[i]); m.hasNext();)
                if (statement.match(m.next().captured(1)).hasMatch())
                    found << relative + QLatin1Char(':') + QString::number(i + 1) + QStringLiteral(": ") + lines[i].trimmed();
    }
    EXPECT_GT(windows, 0) << "no window source found under " TARVIK_SOURCE_DIR;
    EXPECT_EQ(found.join(QLatin1Char('\n')).toStdString(), "");
}

} // namespace

// The windows are only made and looked at: one engine is enough.
INSTANTIATE_TEST_SUITE_P(Hardening, HardeningWindows, ::testing::Values(TestEngine::SQLite), engineName);
