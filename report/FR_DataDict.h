#pragma once

#include "FR_Pars.h"

class TStream;

// The data dictionary of a report: variables with their categories, aliases of datasets and fields, and
// aliases of band data sources. Values are kept as text.
class TfrDataDictionary
{
public:
    void Clear();
    void LoadFromStream(TStream &stream);
    void SaveToStream(TStream &stream);

    TfrVariables Variables;
    TfrVariables FieldAliases;
    TfrVariables BandDatasources;
};
