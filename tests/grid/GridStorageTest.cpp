// The interceptors a property storage reads and writes in place of windows, grid columns and column lists.
#include "GridSupport.h"
#include "StorageInterceptorsEh.h"

#include "Formats.h"

#include <QLineEdit>

#include <gtest/gtest.h>

#include <memory>

using tarvik::test::GridFixture;

namespace {

// Columns of the fields ID, NAME and AMOUNT, in this order.
struct ColumnsGrid : GridFixture
{
    ColumnsGrid()
    {
        for (const char *name : {"ID", "NAME", "AMOUNT"})
            grid->Columns().Add()->SetFieldName(QString::fromLatin1(name));
        fill(3);
    }
    QStringList order()
    {
        QStringList names;
        for (int i = 0; i < grid->Columns().Count(); ++i)
            names << grid->Columns()[i]->FieldName();
        return names;
    }
};

// What a storage does: make the interceptor registered for the object's class.
std::unique_ptr<QObject> InterceptorFor(QObject *target, const QMetaObject &objectClass)
{
    for (const auto &[object, interceptor] : StoragePropertyInterceptors())
        if (object == &objectClass)
            return std::unique_ptr<QObject>(interceptor->newInstance(Q_ARG(QObject *, target)));
    return nullptr;
}

// A screen of 120 pixels per inch.
class LargeFontsFormInterceptor : public TFormStoragePropertyInterceptor
{
public:
    using TFormStoragePropertyInterceptor::TFormStoragePropertyInterceptor;

protected:
    int ScreenPixelsPerInch() const override { return 120; }
};

} // namespace

TEST(GridStorage, TheGridRegistersItsThreeInterceptors)
{
    const auto list = StoragePropertyInterceptors();
    auto registered = [&](const QMetaObject &object, const QMetaObject &interceptor) {
        return list.contains(qMakePair(&object, &interceptor));
    };
    EXPECT_TRUE(registered(QWidget::staticMetaObject, TFormStoragePropertyInterceptor::staticMetaObject));
    EXPECT_TRUE(registered(TColumnEh::staticMetaObject, TColumnEhPropertyInterceptor::staticMetaObject));
    EXPECT_TRUE(registered(TDBGridColumnsEh::staticMetaObject, TColumnsEhPropertyInterceptor::staticMetaObject));

    // A new registration of a class replaces its old one; unregistering removes only the matching pair.
    const int count = int(list.size());
    RegisterStoragePropertyInterceptor(TColumnEh::staticMetaObject, TStoragePropertyInterceptor::staticMetaObject);
    EXPECT_EQ(StoragePropertyInterceptors().size(), count);
    EXPECT_EQ(StoragePropertyInterceptors().constLast(),
              qMakePair(&TColumnEh::staticMetaObject, &TStoragePropertyInterceptor::staticMetaObject));
    UnregisterStoragePropertyInterceptor(TColumnEh::staticMetaObject, TColumnEhPropertyInterceptor::staticMetaObject);
    EXPECT_EQ(StoragePropertyInterceptors().size(), count);
    UnregisterStoragePropertyInterceptor(TColumnEh::staticMetaObject, TStoragePropertyInterceptor::staticMetaObject);
    EXPECT_EQ(StoragePropertyInterceptors().size(), count - 1);
    RegisterStoragePropertyInterceptor(TColumnEh::staticMetaObject, TColumnEhPropertyInterceptor::staticMetaObject);

    TStoragePropertyInterceptor plain(nullptr);
    EXPECT_TRUE(plain.ReadingStarted());
}

TEST(GridStorage, ColumnsIndexIsReadAndWritten)
{
    ColumnsGrid g;
    auto interceptor = InterceptorFor(&g.grid->Columns(), TDBGridColumnsEh::staticMetaObject);
    ASSERT_NE(interceptor, nullptr);
    EXPECT_EQ(interceptor->property("ColumnsIndex").toString(), QStringLiteral("\"ID\",\"NAME\",\"AMOUNT\""));

    struct Case
    {
        const char *written;
        QStringList order;
    };
    const Case cases[] = {
        {R"("AMOUNT","ID")", {"AMOUNT", "ID", "NAME"}},
        {R"("ID","NAME","AMOUNT")", {"ID", "NAME", "AMOUNT"}},
        // A name of no column takes no place; the others keep the order they were saved in.
        {R"("GONE","NAME","ID")", {"NAME", "ID", "AMOUNT"}},
        {R"("NAME","GONE","AMOUNT","ID")", {"NAME", "AMOUNT", "ID"}},
        // Names compare with their case; unquoted names are read too.
        {R"("amount","ID")", {"ID", "NAME", "AMOUNT"}},
        {"AMOUNT, NAME", {"AMOUNT", "NAME", "ID"}},
        {"", {"AMOUNT", "NAME", "ID"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.written);
        EXPECT_TRUE(interceptor->setProperty("ColumnsIndex", QString::fromLatin1(c.written)));
        EXPECT_EQ(g.order(), c.order);
    }
    EXPECT_EQ(g.grid->Columns().UpdateCount(), 0);
}

TEST(GridStorage, ColumnWidthGoesToTheAutoFitShareWhenTheGridFits)
{
    ColumnsGrid g;
    g.show(400, 200);
    TColumnEh *name = g.grid->Columns()[1];
    auto interceptor = InterceptorFor(name, TColumnEh::staticMetaObject);
    ASSERT_NE(interceptor, nullptr);
    EXPECT_TRUE(interceptor->setProperty("Width", 77));
    EXPECT_EQ(name->Width(), 77);

    g.grid->SetAutoFitColWidths(true);
    QApplication::processEvents();
    const int fitted = name->Width();
    interceptor->setProperty("Width", 300);
    EXPECT_EQ(name->InitWidth(), 300);
    // The share is the column's part of the client width, not its width.
    EXPECT_GT(name->Width(), fitted);
    EXPECT_LT(name->Width(), 400);
}

TEST(GridStorage, AMaximisedWindowIsRestoredScaledToTheScreen)
{
    QWidget form;
    auto *edit = new QLineEdit(&form);
    form.setGeometry(10, 20, 300, 200);
    form.show();
    QApplication::processEvents();

    // What a storage read from a placement saved at 96 pixels per inch.
    LargeFontsFormInterceptor interceptor(&form);
    EXPECT_EQ(interceptor.Width(), 300);
    EXPECT_FALSE(interceptor.PositionPresent());
    interceptor.setProperty("Left", 100);
    interceptor.setProperty("Top", 50);
    interceptor.setProperty("Width", 400);
    interceptor.setProperty("Height", 301);
    interceptor.setProperty("PixelsPerInch", 96);
    interceptor.setProperty("WindowState", int(wsMaximized));
    interceptor.setProperty("ActiveControl", QVariant::fromValue<QWidget *>(edit));
    EXPECT_TRUE(interceptor.PositionPresent());
    EXPECT_EQ(interceptor.Left(), 100);
    interceptor.ReadingFinished();

    EXPECT_TRUE(form.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(form.normalGeometry(), QRect(125, MulDiv(50, 120, 96), 500, MulDiv(301, 120, 96)));
    EXPECT_EQ(form.focusWidget(), edit);

    // Read back, the placement is the normal rectangle of the maximised window.
    TFormStoragePropertyInterceptor saved(&form);
    EXPECT_EQ(saved.WindowState(), int(wsMaximized));
    EXPECT_EQ(saved.Left(), 125);
    EXPECT_EQ(saved.Width(), 500);
    EXPECT_EQ(saved.ActiveControl(), edit);
}

TEST(GridStorage, ANormalWindowGetsItsBoundsAndAnythingElseNothing)
{
    QWidget form;
    form.setGeometry(10, 20, 300, 200);
    TFormStoragePropertyInterceptor interceptor(&form);
    interceptor.SetWidth(320);
    interceptor.SetPixelsPerInch(form.logicalDpiY());
    interceptor.ReadingFinished();
    EXPECT_EQ(form.geometry(), QRect(10, 20, 320, 200));
    EXPECT_EQ(form.windowState(), Qt::WindowNoState);

    QWidget parent;
    auto *child = new QWidget(&parent);
    TFormStoragePropertyInterceptor notAWindow(child);
    EXPECT_EQ(notAWindow.Left(), 0);
    EXPECT_EQ(notAWindow.Width(), 0);
    notAWindow.ReadingFinished();
}
