#include "FR_PageF.h"

TfrPageForm::TfrPageForm(QWidget *designer)
    : QWidget(designer, Qt::Tool)
{
    setObjectName(QStringLiteral("frPageForm"));
    setWindowTitle(QStringLiteral("frPageForm"));
    resize(112, 86);
    setAutoFillBackground(true);
}
