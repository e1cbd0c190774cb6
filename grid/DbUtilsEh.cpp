#include "DbUtilsEh.h"

#include "DBGridEh.h"
#include "DataSet.h"
#include "Kyv_GridCDS.h"

#include <vector>

namespace {

struct FeaturesEntry
{
    QString className;
    std::unique_ptr<TDatasetFeaturesEh> features;
};

// One entry per registered dataset class, in the order of registration; freed with the program. The units of
// the grid that register features start with it, so that their registrations are there before any look-up
// (and are linked into every program that sorts through the registry).
std::vector<FeaturesEntry> &FeaturesRegistry()
{
    static std::vector<FeaturesEntry> registry;
    static bool started = false;
    if (!started) {
        started = true;
        StartClientDatasetFeatures();
    }
    return registry;
}

// Steps from the class up its parents to the first class of that name (compared ignoring case), or -1.
int AncestorDepth(const QMetaObject *cls, const QString &name)
{
    for (int depth = 0; cls; cls = cls->superClass(), ++depth)
        if (QString::fromLatin1(cls->className()).compare(name, Qt::CaseInsensitive) == 0)
            return depth;
    return -1;
}

} // namespace

void TDatasetFeaturesEh::ApplySorting(QObject *, TDataSet *, bool)
{
}

void TDatasetFeaturesEh::ApplyFilter(QObject *, TDataSet *, bool)
{
}

void RegisterDatasetFeatures(std::unique_ptr<TDatasetFeaturesEh> features, const QMetaObject &dataSetClass)
{
    features->m_dataSetClass = &dataSetClass;
    const QString name = QString::fromLatin1(dataSetClass.className());
    for (FeaturesEntry &entry : FeaturesRegistry())
        if (entry.className.compare(name, Qt::CaseInsensitive) == 0) {
            entry.features = std::move(features);
            return;
        }
    FeaturesRegistry().push_back({name, std::move(features)});
}

TDatasetFeaturesEh *FindDatasetFeatures(const QMetaObject *dataSetClass)
{
    TDatasetFeaturesEh *found = nullptr;
    int nearest = -1;
    for (const FeaturesEntry &entry : FeaturesRegistry()) {
        const int depth = AncestorDepth(dataSetClass, entry.className);
        if (depth >= 0 && (nearest < 0 || depth < nearest)) {
            nearest = depth;
            found = entry.features.get();
        }
    }
    return found;
}

TDatasetFeaturesEh *FindDatasetFeatures(const TDataSet *dataSet)
{
    return dataSet ? FindDatasetFeatures(dataSet->metaObject()) : nullptr;
}

// ---- The data service

TDBGridEhDataService &TDBGridEhDataService::Instance()
{
    static TDBGridEhDataService service;
    return service;
}

void TDBGridEhDataService::ApplyFilter(TCustomDBGridEh *grid)
{
    if (ApplyFilterHook)
        ApplyFilterHook(grid);
    else
        DefaultApplyFilter(grid);
}

void TDBGridEhDataService::ApplySorting(TCustomDBGridEh *grid)
{
    if (ApplySortingHook)
        ApplySortingHook(grid);
    else
        DefaultApplySorting(grid);
}

namespace {

TDataSet *GridDataSet(TCustomDBGridEh *grid)
{
    return grid && grid->DataSource() ? grid->DataSource()->DataSet() : nullptr;
}

} // namespace

void TDBGridEhDataService::DefaultApplyFilter(TCustomDBGridEh *grid)
{
    TDataSet *dataSet = GridDataSet(grid);
    if (TDatasetFeaturesEh *features = FindDatasetFeatures(dataSet))
        features->ApplyFilter(grid, dataSet, true);
}

void TDBGridEhDataService::DefaultApplySorting(TCustomDBGridEh *grid)
{
    TDataSet *dataSet = GridDataSet(grid);
    if (TDatasetFeaturesEh *features = FindDatasetFeatures(dataSet))
        features->ApplySorting(grid, dataSet, true);
}
