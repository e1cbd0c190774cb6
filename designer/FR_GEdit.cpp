#include "FR_GEdit.h"

#include "FR_Fields.h"
#include "FR_Locale.h"

#include "Color.h"
#include "Exceptions.h"
#include "Services.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

class TPictureBox : public QWidget
{
public:
    explicit TPictureBox(TfrGEditorForm *form)
        : QWidget(form)
        , m_form(form)
    {
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        m_form->PaintPicture(painter, rect());
    }

private:
    TfrGEditorForm *m_form;
};

} // namespace

TfrGEditorForm::TfrGEditorForm(QWidget *parent)
    : TfrObjEditorForm(parent)
{
    setObjectName(QStringLiteral("frGEditorForm"));
    setWindowTitle(GetLocaleString(53460));
    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setWidgetResizable(true);
    PB1 = new TPictureBox(this);
    PB1->setObjectName(QStringLiteral("PB1"));
    ScrollBox1->setWidget(PB1);
    ScrollBox1->setMinimumSize(300, 240);
    Button3 = DesignerDialogButton(this, "Button3", 53462);
    Button4 = DesignerDialogButton(this, "Button4", 53463);
    for (QPushButton *button : { Button3, Button4 })
        button->setAutoDefault(false);
    connect(Button3, &QPushButton::clicked, this, &TfrGEditorForm::LoadClick);
    connect(Button4, &QPushButton::clicked, this, [this] {
        Picture.Clear();
        PB1->update();
    });

    QHBoxLayout *buttons = OkCancelButtons(this, Button1, Button2);
    buttons->insertWidget(0, Button3);
    buttons->insertWidget(1, Button4);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(ScrollBox1, 1);
    layout->addLayout(buttons);
}

int TfrGEditorForm::ShowEditor(TfrView *view)
{
    auto *pictureView = dynamic_cast<TfrPictureView *>(view);
    if (!pictureView)
        return mrCancel;
    Picture = pictureView->Picture;
    if (exec() != QDialog::Accepted)
        return mrCancel;
    if (TfrReportDesigner *designer = frEngine().CurrentDesigner)
        designer->BeginObjectChange();
    pictureView->Picture = Picture;
    return mrOk;
}

void TfrGEditorForm::LoadClick()
{
    FileDialogRequest request;
    request.filter = GetLocaleString(55216)
        + QStringLiteral(" (*.bmp *.jpg *.ico *.wmf *.emf)|*.bmp;*.jpg;*.ico;*.wmf;*.emf|") + GetLocaleString(55221)
        + QStringLiteral("|*.*");
    if (!Services::dialogs()->openPicture(request))
        return;
    // Loaded aside, so that a file that is no picture leaves the one shown as it was.
    TfrPicture loaded;
    bool isPicture = false;
    try {
        isPicture = loaded.LoadFromFile(request.fileName);
    } catch (const Exception &) {
        // A file whose contents claim a picture kind but do not load is no picture either.
    }
    if (!isPicture) {
        Services::messages()->error(
            QStringLiteral("Файл «%1» не является рисунком").arg(QDir::toNativeSeparators(request.fileName)));
        return;
    }
    Picture = loaded;
    PB1->update();
}

void TfrGEditorForm::PasteClick()
{
    const QImage image = QApplication::clipboard()->image();
    // A clipboard without a picture changes nothing.
    if (!image.isNull())
        Picture.SetImage(image);
    PB1->update();
}

void TfrGEditorForm::keyPressEvent(QKeyEvent *event)
{
    // The dialog sees the keys its controls leave; the paste keys take the clipboard's picture first.
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if ((event->key() == Qt::Key_Insert && modifiers == Qt::ShiftModifier)
        || (event->key() == Qt::Key_V && modifiers == Qt::ControlModifier))
        PasteClick();
    else
        TfrObjEditorForm::keyPressEvent(event);
    PB1->update();
}

void TfrGEditorForm::PaintPicture(QPainter &painter, const QRect &box) const
{
    painter.fillRect(box, toQColor(clWindow));
    if (Picture.IsEmpty()) {
        painter.setPen(toQColor(clWindowText));
        const QString none = GetLocaleString(55076);
        const int width = painter.fontMetrics().horizontalAdvance(none);
        painter.drawText(QPoint((box.width() - width) / 2, 100 + painter.fontMetrics().ascent()), none);
        return;
    }
    QRect r(QPoint(0, 0), QSize(Picture.Width(), Picture.Height()));
    if (r.width() > box.width() || r.height() > box.height())
        r = box;
    else
        r.moveTo((box.width() - r.width()) / 2, (box.height() - r.height()) / 2);
    if (!Picture.Image().isNull()) {
        painter.drawImage(r, Picture.Image());
        return;
    }
    // A metafile keeps its bytes but cannot be drawn here; a crossed box stands in for it.
    painter.setPen(Qt::gray);
    painter.drawRect(r.adjusted(0, 0, -1, -1));
    painter.drawLine(r.topLeft(), r.bottomRight());
    painter.drawLine(r.bottomLeft(), r.topRight());
}
