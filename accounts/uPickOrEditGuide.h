#pragma once

#include "frmuGuide.h"

// A guide whose Ok and double click pick the row in pick mode and open it for editing while browsing.
class TfrmPickOrEditGuide : public TfrmGuide
{
    Q_OBJECT
public:
    using TfrmGuide::TfrmGuide;

    void actMrOkExecute() override
    {
        if (FMode == 1)
            TfrmGuide::actMrOkExecute();
        else if (hasRows())
            actEditRecordExecute();
    }
    void listDoubleClick() override { actMrOkExecute(); }
};
