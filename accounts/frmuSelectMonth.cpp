#include "frmuSelectMonth.h"

#include "Services.h"
#include "uDialogButtons.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <memory>

TfrmSelectMonth *frmSelectMonth = nullptr;

TfrmSelectMonth::TfrmSelectMonth(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSelectMonth"));
    setWindowTitle(QStringLiteral("Выбор месяца"));

    cbMonth = new QComboBox;
    cbMonth->setObjectName(QStringLiteral("cbMonth"));
    cbMonth->addItems({ QStringLiteral("Январь"), QStringLiteral("Февраль"), QStringLiteral("Март"),
        QStringLiteral("Апрель"), QStringLiteral("Май"), QStringLiteral("Июнь"), QStringLiteral("Июль"),
        QStringLiteral("Август"), QStringLiteral("Сентябрь"), QStringLiteral("Октябрь"), QStringLiteral("Ноябрь"),
        QStringLiteral("Декабрь") });
    seYear = new QSpinBox;
    seYear->setObjectName(QStringLiteral("seYear"));
    seYear->setRange(1990, 2200);

    auto *row = new QHBoxLayout;
    row->addWidget(cbMonth, 1);
    row->addWidget(seYear);

    QDialogButtonBox *buttons = ReadyCancelButtons(btnOk, btnCancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
}

void TfrmSelectMonth::SetDate(const QDate &date)
{
    cbMonth->setCurrentIndex(date.month() - 1);
    seYear->setValue(date.year());
}

QDate TfrmSelectMonth::SelectedMonth() const
{
    return QDate(seYear->value(), cbMonth->currentIndex() + 1, 1);
}

bool executeSelectMonth(QDate &date)
{
    if (!frmSelectMonth)
        frmSelectMonth = new TfrmSelectMonth;
    const std::unique_ptr<TfrmSelectMonth> dialog(frmSelectMonth);
    struct ClearInstance
    {
        ~ClearInstance() { frmSelectMonth = nullptr; }
    } clearInstance;

    dialog->SetDate(date.isValid() ? date : Services::clock()->today());
    if (dialog->exec() != QDialog::Accepted)
        return false;
    const QDate chosen = dialog->SelectedMonth();
    if (!chosen.isValid())
        return false;
    date = chosen;
    return true;
}
