// Finding text in the preview's pages.

#include "FR_View.h"

#include "FR_Class.h"
#include "FR_Globals.h"
#include "FR_Locale.h"

#include "ReportCanvas.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>

TfrPreviewSearchForm::TfrPreviewSearchForm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frPreviewSearchForm"));
    auto *layout = new QVBoxLayout(this);
    Label1 = new QLabel(this);
    Edit1 = new QLineEdit(this);
    Edit1->setFixedWidth(253);
    Label1->setBuddy(Edit1);
    layout->addWidget(Label1);
    layout->addWidget(Edit1);
    auto *row = new QHBoxLayout;
    auto *GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto *g1 = new QVBoxLayout(GroupBox1);
    CB1 = new QCheckBox(GroupBox1);
    g1->addWidget(CB1);
    auto *GroupBox2 = new QGroupBox(this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    auto *g2 = new QVBoxLayout(GroupBox2);
    RB1 = new QRadioButton(GroupBox2);
    RB2 = new QRadioButton(GroupBox2);
    RB1->setChecked(true);
    g2->addWidget(RB1);
    g2->addWidget(RB2);
    row->addWidget(GroupBox1);
    row->addWidget(GroupBox2);
    layout->addLayout(row);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    Button1 = new QPushButton(this);
    Button2 = new QPushButton(this);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    layout->addLayout(buttons);
    Localize();
    GroupBox1->setTitle(GetLocaleString(53002));
    GroupBox2->setTitle(GetLocaleString(53004));
}

void TfrPreviewSearchForm::Localize()
{
    setWindowTitle(GetLocaleString(53000));
    Label1->setText(GetLocaleString(53001));
    CB1->setText(GetLocaleString(53003));
    RB1->setText(GetLocaleString(53005));
    RB2->setText(GetLocaleString(53006));
    Button1->setText(GetLocaleString(55000));
    Button2->setText(GetLocaleString(55001));
}

void TfrPreviewSearchForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    Edit1->setFocus();
    Edit1->selectAll();
}

void TfrPreviewForm::FindBtnClick()
{
    if (!Report || PageCount() == 0)
        return;
    TfrPreviewSearchForm dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    SearchCaseSensitive = dialog.CB1->isChecked();
    SearchText = SearchCaseSensitive ? dialog.Edit1->text() : dialog.Edit1->text().toUpper();
    if (dialog.RB1->isChecked()) {
        SearchPage = 0;
        SearchRecord = 0;
    } else if (CurrentPage != SearchPage + 1) {
        SearchPage = CurrentPage - 1;
        SearchRecord = 0;
    }
    ContinueSearch();
}

void TfrPreviewForm::ContinueSearch()
{
    Ready = false;
    SearchFound = false;
    int counter = 0;
    while (SearchPage < PageCount()) {
        TfrPreparedPage &p = *ShownPages->GetPage(SearchPage);
        const int w = p.PrnInfo.PaperWidthUnits, h = p.PrnInfo.PaperHeightUnits;
        {
            // Every drawing call of the page is one record; text calls keep their string and rectangle.
            RecordingCanvas canvas;
            p.Visible = true;
            ShownPages->Draw(SearchPage, canvas, QRect(0, 0, w, h));
            counter = 0;
            for (const CanvasRecord &r : canvas.records()) {
                ++counter;
                if (r.kind != CanvasRecord::Text || counter - 1 < SearchRecord || SearchText.isEmpty())
                    continue;
                const QString text = SearchCaseSensitive ? r.text : r.text.toUpper();
                if (!text.contains(SearchText))
                    continue;
                SearchFound = true;
                FoundRect = r.bounds;
                break;
            }
        }
        if (SearchFound)
            break;
        p.Visible = false;
        RecordingCanvas release;
        ShownPages->Draw(SearchPage, release, QRect());
        SearchRecord = 0;
        ++SearchPage;
    }
    if (!SearchFound) {
        Ready = true;
        return;
    }
    CurrentPage = SearchPage + 1;
    UpdatePageLabel();
    const double s = Scale;
    const QRect page = PageRect(SearchPage);
    const int W = PageBox->width(), H = PageBox->height();
    const int e = frRound((FoundRect.bottom() + 1 - FoundRect.top()) * s);
    int f = frRound(FoundRect.top() * s) + 10;
    const int d = frRound((FoundRect.right() + 1 - FoundRect.left()) * s);
    int c = page.left() + frRound(FoundRect.left() * s);
    Ready = true;
    if (H - e < f) {
        VScrollBar->setValue(page.top() + f + e - H - 10);
        f = H - e;
    } else {
        VScrollBar->setValue(page.top() - 10);
    }
    if (W - d < c) {
        HScrollBar->setValue(c + page.left() + d - W - 10);
        c = W - d;
    } else {
        HScrollBar->setValue(page.left() - 10);
    }
    SearchRecord = counter;
    QCoreApplication::processEvents();
    m_mark = e < 0 ? QRect() : QRect(c, f, d + 1, e + 1);
    PageBox->update();
}
