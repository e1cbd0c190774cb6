// What the window shows of the selection: the commands it enables, the status bar and the inspector.
#include "FR_Desgn.h"

#include "FR_Insp.h"

#include "Formats.h"

#include <QAction>
#include <QPainter>

#include <climits>

void TfrDesignerForm::SelectionChanged()
{
    UpdatingControls = true;
    EnableControls();
    MirrorSelection();
    UpdateStatus();
    ShowObjectInfo();
    ClearActiveControl();
    UpdatingControls = false;
}

int TfrDesignerForm::SelectionType() const
{
    int type = 0;
    const int count = PageView->SelectedCount;
    if (count == 1) {
        const TfrView *v = TopSelected();
        if (v->TypeCode == 2)
            type = 1;
        else if (dynamic_cast<const TfrMemoView *>(v))
            type = 2;
        else
            type = 4;
    } else if (count > 1) {
        type = 8;
    }
    if (!DesignerClipboard.isEmpty())
        type |= 16;
    return type;
}

void TfrDesignerForm::EnableControls()
{
    const int type = SelectionType();
    const bool any = PageView->SelectedCount > 0;
    for (QAction *a : { N32, N33, FitGridAction, N11, N12, N27 })
        a->setEnabled(any);
    N13->setEnabled(type & 16);
    N36->setEnabled(PageView->SelectedCount == 1);
    EnableFormatControls(type);
    StatusBar1->update();
}

void TfrDesignerForm::UpdateStatus()
{
    FillInspector();
    // While a page property is applied, the inspector keeps the rows it is committing; they are renewed after.
    if (InspForm && !m_applyingPageProperty)
        InspForm->ItemsChanged();
    StatusBar1->update();
    PBox1->update();
}

void TfrDesignerForm::ShowObjectInfo()
{
    QString info;
    if (PageView->SelectedCount == 1) {
        const TfrView *v = TopSelected();
        info = v->Name;
        if (v->TypeCode == 2)
            info += QStringLiteral(": ")
                + frEngine().BandNames.value(static_cast<const TfrBandView *>(v)->GetBandType() & 127);
        else if (!v->Memo.isEmpty())
            info += QStringLiteral(": ") + v->Memo.first();
    }
    StatusBar1->SetPanelText(2, info);
}

void TfrDesignerForm::ClearActiveControl()
{
    // The page's keys come back to the window from a toolbar box or the tabs.
    if (QWidget *focused = focusWidget(); focused && focused->window() == this)
        focused->clearFocus();
}

// ---- The status box: position, size and scale ------------------------------------------------------------------

namespace {

// The status box's two glyphs, 15 x 15: 0 the size of a rectangle, 1 a position.
QImage StatusGlyph(int index)
{
    QImage glyph(15, 15, QImage::Format_ARGB32);
    glyph.fill(Qt::transparent);
    QPainter p(&glyph);
    p.setPen(Qt::black);
    if (index == 0) {
        p.drawRect(1, 4, 9, 9);
        p.drawLine(5, 0, 14, 0);
        p.drawLine(14, 0, 14, 9);
        p.drawLine(7, 7, 13, 1);
    } else {
        p.drawLine(7, 1, 7, 13);
        p.drawLine(1, 7, 13, 7);
        p.drawRect(5, 5, 4, 4);
    }
    return glyph;
}

} // namespace

TfrDesignerForm::TStatusFigures TfrDesignerForm::StatusFigures() const
{
    TStatusFigures f;
    if (!Page)
        return f;
    auto pair = [this](int a, int b) {
        if (Units == 0)
            return QStringLiteral("%1;%2").arg(a).arg(b);
        return FloatToStrF(PixelsToUnits(a), ffFixed, 4, 2) + QStringLiteral("; ")
            + FloatToStrF(PixelsToUnits(b), ffFixed, 4, 2);
    };
    const TfrDesignerPage &surface = *PageView;
    const int count = surface.SelectedCount;
    if (surface.StatusShowsRect || count == 1) {
        // An object being drawn shows the rectangle the mouse makes.
        const TfrView *top = surface.StatusShowsRect ? nullptr : TopSelected();
        const QRect r = top ? QRect(top->Left, top->Top, top->Width, top->Height) : surface.ActionRect.normalized();
        f.Position = pair(r.x(), r.y());
        f.Size = pair(r.width(), r.height());
        if (auto *picture = dynamic_cast<const TfrPictureView *>(top);
            picture && !picture->Picture.IsEmpty() && picture->Picture.Width() > 0 && picture->Picture.Height() > 0)
            f.Scale = QStringLiteral("% %1,%2")
                          .arg(r.width() * 100 / picture->Picture.Width())
                          .arg(r.height() * 100 / picture->Picture.Height());
    } else if (count >= 2) {
        int left = INT_MAX, top = INT_MAX;
        for (const TfrView *v : SelectedObjects()) {
            left = std::min(left, v->Left);
            top = std::min(top, v->Top);
        }
        f.Position = pair(left, top);
        // The group's scale against its bounds when it was selected, as its corner handle scales it.
        const QRect &now = surface.ActionRect, &before = surface.ActionRectAtStart;
        auto percent = [](int extent, int at) { return at ? DesignGeometry::RoundEven(extent * 100.0 / at) : 0; };
        f.Scale = QStringLiteral("% %1,%2")
                      .arg(percent(now.width(), before.width()))
                      .arg(percent(now.height(), before.height()));
    } else if (surface.SelectMode) {
        // The mouse's place.
        f.Position = pair(surface.ActionRect.x(), surface.ActionRect.y());
    }
    return f;
}

void TfrDesignerForm::PaintStatusBox()
{
    static const QImage sizeGlyph = StatusGlyph(0), positionGlyph = StatusGlyph(1);
    QPainter p(PBox1);
    p.fillRect(PBox1->rect(), PBox1->palette().window());
    p.drawImage(1, 0, positionGlyph);
    if (PageView->SelectedCount > 0 || !PageView->SelectMode)
        p.drawImage(92, 0, sizeGlyph);
    const TStatusFigures f = StatusFigures();
    p.setPen(PBox1->palette().windowText().color());
    const int baseline = 1 + p.fontMetrics().ascent();
    p.drawText(20, baseline, f.Position);
    p.drawText(110, baseline, f.Size);
    p.drawText(170, baseline, f.Scale);
}
