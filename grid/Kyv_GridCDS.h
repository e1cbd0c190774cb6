#pragma once

// Title sorting of client datasets: the sort markers of a grid become a client-dataset index named after them.
// The unit registers TCDSDatasetFeaturesEh for TClientDataSet when the features registry starts, so every grid
// over a client dataset (or a descendant) sorts through it; the program grid's SortByMarkers uses the same index rules.
//
// Index rules: per marked column in the order its marker was set, the field name followed by "_" for an
// ascending marker (smDownEh) or "Desc_" for a descending one (smUpEh); the name is "i" + that without its
// last character, loses its first "1" and is cut to 30 characters. The field lists keep the names as they are.
// An index of that name is reused only when its fields and descending fields are the ones asked for and the
// name was not cut; otherwise it is dropped and built again.

#include "DbUtilsEh.h"

#include <QString>

class TClientDataSet;
class TCustomDBGridEh;

// The index a grid's sort markers ask for.
struct TMarkerIndexEh
{
    QString Name;       // empty when no column carries a marker
    QString Fields;     // "A;B"
    QString DescFields; // the descending ones, "B"
    bool Cut = false;   // the name was longer than 30 characters

    bool operator==(const TMarkerIndexEh &) const = default;
};

TMarkerIndexEh MarkerIndexOf(const TCustomDBGridEh &grid);

// Makes the index current on an open client dataset (building it when needed). On failure the dataset keeps
// the index and order it had, and the error is raised.
void UseMarkerIndex(TClientDataSet &dataSet, const TMarkerIndexEh &index);

class TCDSDatasetFeaturesEh : public TDatasetFeaturesEh
{
public:
    // With the grid's SortLocal on, an open client dataset is sorted in memory through the markers' index
    // (an index that cannot be built leaves the order as it was, silently). With SortLocal off the sorting goes
    // to the features of the provider's dataset, and the client dataset is not reopened.
    void ApplySorting(QObject *sender, TDataSet *dataSet, bool isReopen) override;
    // The dataset behind a client dataset's provider: the owner's component named by ProviderName, when it is
    // a dataset provider with a dataset. None otherwise.
    virtual TDataSet *GetProviderDataSet(TDataSet *dataSet);
};

// The unit's start, run by the features registry when it is created: the client datasets' features.
void StartClientDatasetFeatures();
