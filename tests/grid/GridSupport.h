#pragma once

// A small in-memory dataset shown by a data grid, for the grid's tests.
#include "ClientDataSet.h"
#include "DBGridEh.h"
#include "DataSource.h"

#include <QApplication>
#include <QImage>
#include <QMimeData>

#include <memory>

namespace tarvik::test {

// The grid with the protected operations the tests drive opened up.
class ProbeGrid : public TDBGridEh
{
public:
    using TCustomDBGridEh::CalcHint;
    using TCustomDBGridEh::ChangeScale;
    using TCustomDBGridEh::VertScroll;
    using TCustomGrid::CalcDrawInfo;

    // A drag of the selection is counted, with the formats it would carry, instead of running QDrag's loop.
    void StartSelectionDrag() override
    {
        ++selectionDrags;
        const std::unique_ptr<QMimeData> data(SelectionMimeData());
        dragFormats = data ? data->formats() : QStringList();
        dragText = data ? data->text() : QString();
    }
    int selectionDrags = 0;
    QStringList dragFormats;
    QString dragText;
};

// Fields ID (integer), NAME (string 20), AMOUNT (float), FLAG (string 3).
class GridFixture
{
public:
    GridFixture()
    {
        ds.FieldDefs().Add(QStringLiteral("ID"), ftInteger);
        ds.FieldDefs().Add(QStringLiteral("NAME"), ftString, 20);
        ds.FieldDefs().Add(QStringLiteral("AMOUNT"), ftFloat);
        ds.FieldDefs().Add(QStringLiteral("FLAG"), ftString, 3);
        ds.CreateDataSet();
        source.SetDataSet(&ds);
        grid = std::make_unique<ProbeGrid>();
        grid->setFrameShape(QFrame::NoFrame);
    }

    void add(int id, const QString &name = QString(), const QVariant &amount = QVariant(),
             const QVariant &flag = QVariant())
    {
        ds.Append();
        ds.FieldByName(QStringLiteral("ID"))->SetValue(id);
        if (!name.isNull())
            ds.FieldByName(QStringLiteral("NAME"))->SetValue(name);
        ds.FieldByName(QStringLiteral("AMOUNT"))->SetValue(amount);
        ds.FieldByName(QStringLiteral("FLAG"))->SetValue(flag);
        ds.Post();
    }

    void fill(int count)
    {
        ds.DisableControls();
        for (int i = 1; i <= count; ++i)
            add(i, QStringLiteral("Name %1").arg(i), i * 1.5);
        ds.EnableControls();
        ds.First();
    }

    TField *field(const char *name) { return ds.FieldByName(QString::fromLatin1(name)); }

    // Shown, active and focused, with a viewport of exactly width x height (no frame; bars may take room).
    void show(int width = 400, int height = 300)
    {
        grid->SetDataSource(&source);
        grid->resize(width, height);
        grid->show();
        QApplication::setActiveWindow(grid.get());
        grid->setFocus();
        QApplication::processEvents();
    }

    QImage picture() { return grid->viewport()->grab().toImage(); }
    ProbeGrid *probe() { return static_cast<ProbeGrid *>(grid.get()); }

    TClientDataSet ds;
    TDataSource source;
    std::unique_ptr<TDBGridEh> grid;
};

inline QColor pixelAt(const QImage &image, int x, int y)
{
    return QColor(image.pixel(x, y));
}

} // namespace tarvik::test
