#pragma once

// For test programs that link the report engine.
#include "FR_Class.h"

#include "Services.h"

#include <QMetaObject>
#include <QStringList>

#include <functional>

namespace tarvik::test {

// A designer that records what the engine and the editors ask of it. Shown modally, it runs `WhileShown` from
// the event loop and then closes with `Result`.
class FakeReportDesigner : public TfrReportDesigner
{
public:
    using TfrReportDesigner::TfrReportDesigner;

    bool GetModified() override { return Modified; }
    void SetModified(bool value) override
    {
        Calls << QStringLiteral("SetModified");
        Modified = value;
    }
    void BeginObjectChange() override { Calls << QStringLiteral("BeginObjectChange"); }
    void EndObjectChange() override { Calls << QStringLiteral("EndObjectChange"); }
    void RepaintPage() override { Calls << QStringLiteral("RepaintPage"); }
    void SelectObjectByName(const QString &name) override { Calls << QStringLiteral("SelectObjectByName ") + name; }
    QString PickDBField() override
    {
        Calls << QStringLiteral("PickDBField");
        return DBField;
    }
    QString PickExpression() override
    {
        Calls << QStringLiteral("PickExpression");
        return Expression;
    }

    bool Modified = false;
    QString DBField, Expression;
    QStringList Calls;
    std::function<void(FakeReportDesigner &)> WhileShown;
    int Result = mrOk;

protected:
    void showEvent(QShowEvent *event) override
    {
        TfrReportDesigner::showEvent(event);
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (WhileShown)
                    WhileShown(*this);
                SetModalResult(Result);
            },
            Qt::QueuedConnection);
    }
};

// While it lives, the engine opens FakeReportDesigners, each given to `setUp` as it is made; then the factory it
// replaced comes back.
class FakeDesignerFactory
{
public:
    explicit FakeDesignerFactory(std::function<void(FakeReportDesigner &)> setUp = {})
        : m_saved(frEngine().DesignerFormClass)
        , m_setUp(std::move(setUp))
    {
        frEngine().DesignerFormClass = [this](bool templateMode) {
            auto *designer = new FakeReportDesigner(templateMode);
            modes << templateMode;
            if (m_setUp)
                m_setUp(*designer);
            return designer;
        };
    }
    ~FakeDesignerFactory() { frEngine().DesignerFormClass = m_saved; }
    FakeDesignerFactory(const FakeDesignerFactory &) = delete;
    FakeDesignerFactory &operator=(const FakeDesignerFactory &) = delete;

    // The template mode of every designer made, in order.
    QList<bool> modes;

private:
    std::function<TfrReportDesigner *(bool)> m_saved;
    std::function<void(FakeReportDesigner &)> m_setUp;
};

} // namespace tarvik::test
