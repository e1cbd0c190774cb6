// The data navigator and the small frames: layout, enabling, clicks, keys and the focus rectangle.
#include "Kyv_DBNavigator.h"
#include "Color.h"
#include "KyvFrames.h"
#include "MemTable.h"
#include "Screenshot.h"
#include "ServiceFakes.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

std::unique_ptr<TMemTable> makeTable(int rows)
{
    auto t = std::make_unique<TMemTable>();
    t->setObjectName(QStringLiteral("Customers"));
    std::vector<std::vector<QVariant>> data;
    for (int i = 1; i <= rows; ++i)
        data.push_back({ i, QStringLiteral("Абонент %1").arg(i) });
    t->LoadData({ TFieldDef(QStringLiteral("ID"), ftInteger), TFieldDef(QStringLiteral("NAME"), ftString, 30) }, data);
    return t;
}

const TKyvNavControlSet AllButtons { nbPost, nbCancel, nbInsert, nbDelete, nbEdit, nbProperty, nbRefresh, nbFirst,
    nbPrior, nbNext, nbLast };

class ShellWindowsNavigator : public ::testing::Test
{
protected:
    void SetUp() override
    {
        table = makeTable(3);
        source.SetDataSet(table.get());
        nav.SetDataSource(&source);
        nav.SetVisibleControls(AllButtons);
    }

    // The enabled state of every button, in button order, as "1" and "0".
    std::string enabled() const
    {
        std::string s;
        for (int i = 0; i < KyvNavButtonCount; ++i)
            s += nav.Button(TKyvNavigateControl(i))->isEnabled() ? '1' : '0';
        return s;
    }

    FakeMessageService messages;
    std::unique_ptr<TMemTable> table;
    TDataSource source;
    TKyv_DBNavigator nav;
};

struct LayoutCase
{
    const char *name;
    TKyvNavControlSet visible;
    TKyv_DBNavKind kind;
    QSize size;
    bool aligned;
    QList<int> lengths; // of the visible buttons, in order
    int panelLength;
};

} // namespace

TEST_F(ShellWindowsNavigator, laysOutButtonsSpreadingTheRemainderFromTheMiddle)
{
    const TKyvNavControlSet five { nbPost, nbCancel, nbInsert, nbDelete, nbEdit };
    const TKyvNavControlSet deflt { nbPost, nbCancel, nbInsert, nbDelete, nbEdit, nbRefresh };
    const LayoutCase cases[] = {
        { "five in 103, free", five, nkHorizontal, QSize(103, 25), false, { 20, 20, 20, 20, 20 }, 100 },
        { "five in 103, aligned", five, nkHorizontal, QSize(103, 25), true, { 21, 20, 21, 20, 21 }, 103 },
        { "the default six in 145", deflt, nkHorizontal, QSize(145, 25), false, { 24, 24, 24, 24, 24, 24 }, 144 },
        { "too narrow grows to the minimum", { nbFirst, nbPrior, nbNext }, nkHorizontal, QSize(30, 25), true,
            { 20, 20, 20 }, 60 },
        { "eleven down 200, aligned", AllButtons, nkVertical, QSize(25, 200), true,
            { 18, 18, 19, 18, 18, 18, 18, 18, 19, 18, 18 }, 200 },
        { "none visible counts as one", {}, nkHorizontal, QSize(50, 25), false, {}, 50 },
    };
    for (const LayoutCase &c : cases) {
        SCOPED_TRACE(c.name);
        TKyv_DBNavigator n;
        n.SetKind(c.kind);
        n.SetVisibleControls(c.visible);
        n.SetAligned(c.aligned);
        n.SetBounds(0, 0, c.size.width(), c.size.height());
        const bool horizontal = c.kind == nkHorizontal;
        EXPECT_EQ(horizontal ? n.width() : n.height(), c.panelLength);
        QList<int> lengths;
        int pos = 0;
        for (int i = 0; i < KyvNavButtonCount; ++i) {
            const QRect g = n.Button(TKyvNavigateControl(i))->geometry();
            if (!c.visible.contains(TKyvNavigateControl(i))) {
                EXPECT_GT(horizontal ? g.left() : g.top(), horizontal ? n.width() : n.height()) << i;
                continue;
            }
            EXPECT_EQ(horizontal ? g.left() : g.top(), pos) << i;
            lengths << (horizontal ? g.width() : g.height());
            pos += lengths.last();
        }
        EXPECT_EQ(lengths, c.lengths);
    }
}

TEST_F(ShellWindowsNavigator, aNavigatorInALayoutKeepsTheWidthItIsGiven)
{
    QWidget top;
    top.resize(300, 100);
    auto *holder = new QWidget(&top);
    holder->setGeometry(0, 0, 103, 25);
    auto *layout = new QHBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *n = new TKyv_DBNavigator;
    n->SetVisibleControls({ nbPost, nbCancel, nbInsert, nbDelete, nbEdit });
    layout->addWidget(n);
    top.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&top));
    EXPECT_EQ(n->width(), 103);
    EXPECT_EQ(n->Button(nbPost)->width(), 21);
}

TEST_F(ShellWindowsNavigator, enablesTheButtonsByTheDatasetsState)
{
    //                                     PCIDEPRFPNL
    EXPECT_EQ(enabled(), "00111110011") << "at the start";
    table->Next();
    EXPECT_EQ(enabled(), "00111111111") << "in the middle";
    table->Last();
    EXPECT_EQ(enabled(), "00111111100") << "at the end";
    table->Edit();
    EXPECT_EQ(enabled(), "11110111100") << "editing";
    table->Cancel();
    while (!table->IsEmpty())
        table->Delete();
    EXPECT_EQ(enabled(), "00101010000") << "empty";
    table->Append();
    table->FieldByName(QStringLiteral("ID"))->SetAsInteger(9);
    table->Post();
    table->SetReadOnly(true);
    nav.setEnabled(false);
    nav.setEnabled(true);
    table->First();
    EXPECT_EQ(enabled(), "00000110011") << "read-only";
    nav.setEnabled(false);
    EXPECT_EQ(enabled(), "00000000000") << "the navigator disabled";
    nav.setEnabled(true);
    table->Close();
    EXPECT_EQ(enabled(), "00000000000") << "the dataset closed";
    TKyv_DBNavigator free;
    EXPECT_EQ(free.DataSource(), nullptr);
    for (int i = 0; i < KyvNavButtonCount; ++i)
        EXPECT_FALSE(free.Button(TKyvNavigateControl(i))->isEnabled()) << "no data source: " << i;
}

TEST_F(ShellWindowsNavigator, forgetsADataSourceThatGoesAway)
{
    auto gone = std::make_unique<TDataSource>();
    gone->SetDataSet(table.get());
    nav.SetDataSource(gone.get());
    EXPECT_TRUE(nav.Button(nbNext)->isEnabled());
    gone.reset();
    EXPECT_EQ(nav.DataSource(), nullptr);
    EXPECT_FALSE(nav.Button(nbNext)->isEnabled());
}

TEST_F(ShellWindowsNavigator, aDeleteAnsweredCancelKeepsTheRecordAndStillReportsTheClick)
{
    QList<TKyvNavigateControl> before, after;
    nav.BeforeAction = [&](TKyv_DBNavigator *, TKyvNavigateControl b) { before << b; };
    nav.OnClick = [&](TKyv_DBNavigator *, TKyvNavigateControl b) { after << b; };
    messages.answer(mrCancel);
    QTest::mouseClick(nav.Button(nbDelete), Qt::LeftButton);
    ASSERT_EQ(messages.requests.size(), 1);
    EXPECT_EQ(messages.lastText(), QStringLiteral("Delete record?"));
    EXPECT_EQ(messages.requests[0].buttons, mbOKCancel);
    EXPECT_EQ(table->RecordCount(), 3);
    EXPECT_EQ(before, QList<TKyvNavigateControl> { nbDelete });
    EXPECT_EQ(after, QList<TKyvNavigateControl> { nbDelete });

    messages.answer(mrOk);
    QTest::mouseClick(nav.Button(nbDelete), Qt::LeftButton);
    EXPECT_EQ(table->RecordCount(), 2);

    nav.SetConfirmDelete(false);
    QTest::mouseClick(nav.Button(nbDelete), Qt::LeftButton);
    EXPECT_EQ(table->RecordCount(), 1);
    EXPECT_EQ(messages.requests.size(), 2) << "no question with ConfirmDelete off";
}

TEST_F(ShellWindowsNavigator, aButtonsOwnClickEventReplacesTheDefaultWork)
{
    int own = 0;
    nav.OnNextBtnClick = [&](TKyv_DBNavigator *) { ++own; };
    QTest::mouseClick(nav.Button(nbNext), Qt::LeftButton);
    EXPECT_EQ(own, 1);
    EXPECT_EQ(table->RecNo(), 1);
    QTest::mouseClick(nav.Button(nbLast), Qt::LeftButton);
    EXPECT_EQ(table->RecNo(), 3);
    QTest::mouseClick(nav.Button(nbInsert), Qt::LeftButton);
    EXPECT_EQ(table->State(), dsInsert);
    QTest::mouseClick(nav.Button(nbCancel), Qt::LeftButton);
    EXPECT_EQ(table->State(), dsBrowse);
}

TEST_F(ShellWindowsNavigator, arrowKeysMoveTheFocusedButtonAndSpaceClicksIt)
{
    nav.SetVisibleControls({ nbInsert, nbFirst, nbNext, nbLast });
    nav.show();
    nav.setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&nav));
    EXPECT_EQ(nav.FocusedButton(), nbInsert) << "the first visible button";
    QTest::keyClick(&nav, Qt::Key_Left);
    EXPECT_EQ(nav.FocusedButton(), nbInsert);
    QTest::keyClick(&nav, Qt::Key_Right);
    EXPECT_EQ(nav.FocusedButton(), nbFirst) << "hidden buttons are passed over";
    QTest::keyClick(&nav, Qt::Key_Space);
    EXPECT_EQ(table->RecNo(), 1) << "First is disabled at the start: Space does nothing";
    QTest::keyClick(&nav, Qt::Key_Right);
    QTest::keyClick(&nav, Qt::Key_Space);
    EXPECT_EQ(table->RecNo(), 2);
    QTest::keyClick(&nav, Qt::Key_Right);
    QTest::keyClick(&nav, Qt::Key_Right);
    EXPECT_EQ(nav.FocusedButton(), nbLast);
    QTest::keyClick(&nav, Qt::Key_Left);
    EXPECT_EQ(nav.FocusedButton(), nbNext);
}

TEST_F(ShellWindowsNavigator, theFocusedButtonDrawsItsFocusRectangleOnlyWhileTheNavigatorHasTheFocus)
{
    QWidget holder;
    auto *layout = new QHBoxLayout(&holder);
    auto *other = new QLineEdit(&holder);
    layout->addWidget(other);
    auto *n = new TKyv_DBNavigator(&holder);
    layout->addWidget(n);
    n->SetDataSource(&source);
    holder.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&holder));
    other->setFocus();
    const QRect button = n->Button(nbPost)->geometry();
    const QPoint corner = button.topLeft() + QPoint(3, 3);
    const QImage unfocused = n->grab().toImage();
    n->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return n->hasFocus(); }));
    const QImage focused = n->grab().toImage();
    EXPECT_NE(focused.pixel(corner), unfocused.pixel(corner)) << "the rectangle's corner, 3 pixels in";
    EXPECT_EQ(focused.pixel(button.topLeft() + QPoint(2, 2)), unfocused.pixel(button.topLeft() + QPoint(2, 2)));
    const QRect second = n->Button(nbCancel)->geometry();
    EXPECT_EQ(focused.pixel(second.topLeft() + QPoint(3, 3)), unfocused.pixel(second.topLeft() + QPoint(3, 3)))
        << "only the focused button";
}

TEST_F(ShellWindowsNavigator, nextRepeatsWhileHeld)
{
    table = makeTable(20);
    source.SetDataSet(table.get());
    nav.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&nav));
    QTest::mousePress(nav.Button(nbNext), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return table->RecNo() >= 3; }, 5000));
    QTest::mouseRelease(nav.Button(nbNext), Qt::LeftButton);
    EXPECT_FALSE(nav.Button(nbPost)->autoRepeat());
}

TEST_F(ShellWindowsNavigator, hintLinesReplaceTheDefaultHintsByIndex)
{
    EXPECT_EQ(nav.Button(nbRefresh)->toolTip(), QStringLiteral("Refresh data"));
    nav.SetHints({ QStringLiteral("Сохранить"), QString(), QStringLiteral("Добавить") });
    EXPECT_EQ(nav.Button(nbPost)->toolTip(), QStringLiteral("Сохранить"));
    EXPECT_EQ(nav.Button(nbCancel)->toolTip(), QStringLiteral("Cancel edit"));
    EXPECT_EQ(nav.Button(nbInsert)->toolTip(), QStringLiteral("Добавить"));
}

TEST_F(ShellWindowsNavigator, everyButtonShowsItsGlyph)
{
    nav.resize(11 * 24, 25);
    nav.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&nav));
    tarvik::test::SaveScreenshot(&nav, QStringLiteral("shell-navigator"), QSize(11 * 24, 25));
    const QImage picture = nav.grab().toImage();
    for (int i = 0; i < KyvNavButtonCount; ++i) {
        const QRect g = nav.Button(TKyvNavigateControl(i))->geometry();
        const QRgb face = picture.pixel(g.topLeft() + QPoint(1, 1));
        bool drawn = false;
        for (int x = g.left() + 4; x < g.right() - 4 && !drawn; ++x)
            for (int y = g.top() + 4; y < g.bottom() - 4 && !drawn; ++y)
                drawn = picture.pixel(x, y) != face;
        EXPECT_TRUE(drawn) << "button " << i;
    }
}

TEST(ShellWindowsFrames, theOkCancelFrameKeepsItsButtonsAtTheRightAndClosesTheDialog)
{
    QDialog dialog;
    auto *frame = new TOkCancelBtnsFrame(&dialog);
    frame->resize(300, 40);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    frame->resize(400, 40);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(frame->bbtnOk->width(), 75);
    EXPECT_EQ(frame->bbtnOk->x(), 400 - 75 - 75 - 10);
    EXPECT_EQ(frame->bbtnCancel->x(), 400 - 75 - 5);
    EXPECT_EQ(frame->bbtnOk->text(), QStringLiteral("Готово"));
    EXPECT_EQ(frame->bbtnCancel->text(), QStringLiteral("Отмена"));
    QTest::mouseClick(frame->bbtnCancel, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    dialog.show();
    QTest::mouseClick(frame->bbtnOk, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(ShellWindowsFrames, theSearchEditShowsTheFocusByItsColour)
{
    QWidget holder;
    auto *layout = new QHBoxLayout(&holder);
    auto *other = new QLineEdit(&holder);
    auto *frame = new TSearchFrame(&holder);
    layout->addWidget(other);
    layout->addWidget(frame);
    holder.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&holder));
    other->setFocus();
    EXPECT_EQ(frame->edtSearch->palette().color(QPalette::Base), toQColor(clBtnFace));
    QTest::mouseClick(frame->edtSearch, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame->edtSearch->hasFocus(); }));
    EXPECT_EQ(frame->edtSearch->palette().color(QPalette::Base), toQColor(clWindow));
    other->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !frame->edtSearch->hasFocus(); }));
    EXPECT_EQ(frame->edtSearch->palette().color(QPalette::Base), toQColor(clBtnFace));
    EXPECT_EQ(frame->btnSearch->text(), QStringLiteral("Поиск"));
}
