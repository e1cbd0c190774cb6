#include "FR_Export.h"

#include "FR_Class.h"

PreviewPagesLent::PreviewPagesLent(TfrReport &report)
    : m_report(report)
{
}

PreviewPagesLent::~PreviewPagesLent() = default;
