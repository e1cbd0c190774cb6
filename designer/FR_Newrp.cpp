#include "FR_Newrp.h"

#include "FR_Class.h"
#include "FR_DialogKit.h"
#include "FR_Fields.h"
#include "FR_Locale.h"

#include "Formats.h"

#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

TfrTemplForm::TfrTemplForm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frTemplForm"));
    setWindowTitle(GetLocaleString(53318));
    LB1 = new QListWidget(this);
    LB1->setObjectName(QStringLiteral("LB1"));
    LB1->setViewMode(QListView::IconMode);
    LB1->setIconSize(QSize(32, 32));
    LB1->setGridSize(QSize(90, 64));
    LB1->setResizeMode(QListView::Adjust);
    LB1->setMovement(QListView::Static);
    LB1->setWordWrap(true);
    LB1->setMinimumSize(300, 260);

    GroupBox1 = new QGroupBox(GetLocaleString(53319), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    Image1 = new QLabel(GroupBox1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setMinimumSize(150, 120);
    Memo1 = new QPlainTextEdit(GroupBox1);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setFrameShape(QFrame::NoFrame);
    QPalette memoPalette = Memo1->palette();
    memoPalette.setColor(QPalette::Base, palette().color(QPalette::Button));
    Memo1->setPalette(memoPalette);
    auto *description = new QVBoxLayout(GroupBox1);
    description->addWidget(Image1);
    description->addWidget(Memo1);

    QHBoxLayout *buttons = OkCancelButtons(this, Button1, Button2);
    // OK closes with the selected template only.
    disconnect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button1, &QPushButton::clicked, this, [this] {
        const QList<QListWidgetItem *> selected = LB1->selectedItems();
        if (selected.isEmpty())
            return;
        TemplateFile = selected.first()->data(Qt::UserRole).toString();
        accept();
    });
    auto *panes = new QHBoxLayout;
    panes->addWidget(LB1, 1);
    panes->addWidget(GroupBox1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(panes);
    layout->addLayout(buttons);

    connect(LB1, &QListWidget::itemSelectionChanged, this, [this] { SelectionChanged(); });
    connect(LB1, &QListWidget::itemDoubleClicked, this, [this] {
        if (Button1->isEnabled())
            Button1->click();
    });
}

bool TfrTemplForm::Execute(const QString &folder, QString &templateFile)
{
    TfrTemplForm form;
    form.FillGallery(folder);
    if (form.exec() != QDialog::Accepted)
        return false;
    templateFile = form.TemplateFile;
    return true;
}

void TfrTemplForm::FillGallery(const QString &folder)
{
    QString path = folder.isEmpty() ? QCoreApplication::applicationDirPath() : folder;
    if (!path.endsWith(u'/'))
        path += u'/';
    LB1->clear();
    const QPixmap glyph = DesignerGlyph(QStringLiteral("TEMPLATE"));
    // Names are matched as a file system that ignores case would, so "Счёт.FRT" is a template too; each item
    // keeps the file's real name.
    QFileInfoList files
        = QDir(path).entryInfoList({ QStringLiteral("*.frt") }, QDir::Files | QDir::Hidden | QDir::System);
    // In the order of the alphabet, whatever the case of the names.
    std::sort(files.begin(), files.end(), [](const QFileInfo &a, const QFileInfo &b) {
        return CompareTextIgnoreCase(a.completeBaseName(), b.completeBaseName()) < 0;
    });
    for (const QFileInfo &file : files) {
        auto *item = new QListWidgetItem(QIcon(glyph), file.completeBaseName(), LB1);
        item->setData(Qt::UserRole, path + file.fileName());
    }
    Memo1->clear();
    Image1->clear();
    Button1->setEnabled(false);
}

void TfrTemplForm::SelectionChanged()
{
    const QList<QListWidgetItem *> selected = LB1->selectedItems();
    Button1->setEnabled(!selected.isEmpty());
    TfrReport *report = frEngine().CurrentReport;
    if (selected.isEmpty() || !report)
        return;
    QStringList description;
    QImage picture;
    report->LoadTemplateFile(selected.first()->data(Qt::UserRole).toString(), description, false, picture);
    Memo1->setPlainText(description.join(u'\n'));
    Image1->setPixmap(QPixmap::fromImage(picture));
}
