#pragma once

// What sorting by title markers and applying a grid's filter row mean for a kind of dataset. The grid never
// reorders or filters records itself: it hands the work to the features registered for its dataset's class,
// found by the nearest registered ancestor of that class. Each features class registers itself in its own unit
// (Kyv_GridCDS.h for the client datasets).

#include <QMetaObject>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class TCustomDBGridEh;
class TDataSet;

class TDatasetFeaturesEh
{
public:
    TDatasetFeaturesEh() = default;
    virtual ~TDatasetFeaturesEh() = default;
    TDatasetFeaturesEh(const TDatasetFeaturesEh &) = delete;
    TDatasetFeaturesEh &operator=(const TDatasetFeaturesEh &) = delete;

    // Sender is the grid whose markers (or filter row) changed; isReopen tells whether the dataset may be
    // reopened to take the new order. Both do nothing here.
    virtual void ApplySorting(QObject *sender, TDataSet *dataSet, bool isReopen);
    virtual void ApplyFilter(QObject *sender, TDataSet *dataSet, bool isReopen);

    // The dataset class this instance was registered for (none until registered).
    const QMetaObject *DataSetClass() const { return m_dataSetClass; }

private:
    friend void RegisterDatasetFeatures(std::unique_ptr<TDatasetFeaturesEh>, const QMetaObject &);
    const QMetaObject *m_dataSetClass = nullptr;
};

// Stores the instance under the dataset class's name; a second registration for the same name replaces the
// instance held for it (in place, so the order of registration is kept).
void RegisterDatasetFeatures(std::unique_ptr<TDatasetFeaturesEh> features, const QMetaObject &dataSetClass);
template <class TFeatures> void RegisterDatasetFeaturesClass(const QMetaObject &dataSetClass)
{
    RegisterDatasetFeatures(std::make_unique<TFeatures>(), dataSetClass);
}

// The features registered for the nearest ancestor of the class (the class itself included); among entries
// as near as each other, the earlier registered. None when no ancestor is registered.
TDatasetFeaturesEh *FindDatasetFeatures(const QMetaObject *dataSetClass);
TDatasetFeaturesEh *FindDatasetFeatures(const TDataSet *dataSet);

// The one service every grid hands its sorting and filtering to. A hook, when set, is used instead of the
// default, which reaches the features of the grid's dataset.
class TDBGridEhDataService
{
public:
    static TDBGridEhDataService &Instance();
    virtual ~TDBGridEhDataService() = default;

    virtual void ApplyFilter(TCustomDBGridEh *grid);
    virtual void ApplySorting(TCustomDBGridEh *grid);
    virtual void DefaultApplyFilter(TCustomDBGridEh *grid);
    virtual void DefaultApplySorting(TCustomDBGridEh *grid);

    std::function<void(TCustomDBGridEh *grid)> ApplyFilterHook;
    std::function<void(TCustomDBGridEh *grid)> ApplySortingHook;
};

inline TDBGridEhDataService &DBGridEhDataService()
{
    return TDBGridEhDataService::Instance();
}
