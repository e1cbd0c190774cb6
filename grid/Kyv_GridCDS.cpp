#include "Kyv_GridCDS.h"

#include "ClientDataSet.h"
#include "DBGridEh.h"
#include "DataSetProvider.h"

#include <optional>

namespace {

constexpr int kIndexNameLength = 30;

bool SameFieldList(const QString &a, const QString &b)
{
    const QStringList left = SplitFieldNames(a), right = SplitFieldNames(b);
    if (left.size() != right.size())
        return false;
    for (int i = 0; i < left.size(); ++i)
        if (left[i].compare(right[i], Qt::CaseInsensitive) != 0)
            return false;
    return true;
}

// Puts back an index dropped to be rebuilt, and the order the dataset had, after the rebuild failed.
void Restore(TClientDataSet &dataSet, const std::optional<TIndexDef> &dropped, const QString &indexName,
             const QString &indexFieldNames)
{
    try {
        if (dropped && dataSet.IndexDefs().IndexOf(dropped->Name) < 0)
            dataSet.AddIndex(dropped->Name, dropped->Fields, dropped->Options, dropped->DescFields,
                             dropped->CaseInsFields, dropped->GroupingLevel);
        if (!indexFieldNames.isEmpty())
            dataSet.SetIndexFieldNames(indexFieldNames);
        else
            dataSet.SetIndexName(indexName);
    } catch (const std::exception &) {
        // It was usable a moment ago; should it fail now the dataset is left in arrival order.
    }
}

} // namespace

TMarkerIndexEh MarkerIndexOf(const TCustomDBGridEh &grid)
{
    TMarkerIndexEh index;
    QString name;
    for (const TColumnEh *column : grid.SortColumnList()) {
        const TSortMarkerEh marker = column->Title().SortMarker();
        if (marker == smNoneEh)
            continue;
        index.Fields += column->FieldName() + QLatin1Char(';');
        name += column->FieldName() + (marker == smUpEh ? QLatin1String("Desc_") : QLatin1String("_"));
        if (marker == smUpEh)
            index.DescFields += column->FieldName() + QLatin1Char(';');
    }
    if (!name.isEmpty())
        name = QLatin1Char('i') + name.chopped(1);
    if (!index.Fields.isEmpty())
        index.Fields.chop(1);
    if (!index.DescFields.isEmpty())
        index.DescFields.chop(1);
    // Only the name is cleaned up; the field lists must still name the fields.
    const qsizetype one = name.indexOf(QLatin1Char('1'));
    if (one >= 0)
        name.remove(one, 1);
    if (name.size() > kIndexNameLength) {
        name.truncate(kIndexNameLength);
        index.Cut = true;
    }
    index.Name = name;
    return index;
}

void UseMarkerIndex(TClientDataSet &dataSet, const TMarkerIndexEh &index)
{
    if (index.Name.isEmpty())
        return;
    dataSet.IndexDefs().Update();
    const TIndexDef *found = dataSet.IndexDefs().Find(index.Name);
    // Another marker set may clean up to the same name, and a cut name may stand for other columns.
    if (found && !index.Cut && SameFieldList(found->Fields, index.Fields)
        && SameFieldList(found->DescFields, index.DescFields)) {
        dataSet.SetIndexName(found->Name);
        return;
    }
    const QString indexName = dataSet.IndexName(), indexFieldNames = dataSet.IndexFieldNames();
    std::optional<TIndexDef> dropped;
    try {
        if (found) {
            dropped = *found;
            dataSet.DeleteIndex(found->Name);
        }
        dataSet.AddIndex(index.Name, index.Fields, ixCaseInsensitive, index.DescFields, QString(), 0);
        try {
            dataSet.SetIndexName(index.Name);
        } catch (const std::exception &) {
            dataSet.DeleteIndex(index.Name);
            throw;
        }
    } catch (const std::exception &) {
        Restore(dataSet, dropped, indexName, indexFieldNames);
        throw;
    }
}

void TCDSDatasetFeaturesEh::ApplySorting(QObject *sender, TDataSet *dataSet, bool)
{
    auto *grid = qobject_cast<TCustomDBGridEh *>(sender);
    if (!grid)
        return;
    if (!grid->SortLocal) {
        // The provider's side may order its own rows; this dataset is not reopened for it, so a title click
        // never throws away what the user has in the list.
        TDataSet *providerDataSet = GetProviderDataSet(dataSet);
        if (!providerDataSet)
            return;
        if (TDatasetFeaturesEh *features = FindDatasetFeatures(providerDataSet))
            features->ApplySorting(grid, providerDataSet, false);
        return;
    }
    auto *clientDataSet = qobject_cast<TClientDataSet *>(dataSet);
    if (!clientDataSet || !clientDataSet->Active())
        return;
    try {
        UseMarkerIndex(*clientDataSet, MarkerIndexOf(*grid));
    } catch (const std::exception &) {
        // An index that cannot be built leaves the list in the order it had.
    }
}

TDataSet *TCDSDatasetFeaturesEh::GetProviderDataSet(TDataSet *dataSet)
{
    auto *clientDataSet = qobject_cast<TClientDataSet *>(dataSet);
    if (!clientDataSet || clientDataSet->ProviderName().isEmpty() || !clientDataSet->parent())
        return nullptr;
    const QString name = clientDataSet->ProviderName();
    for (QObject *component : clientDataSet->parent()->children())
        if (component->objectName().compare(name, Qt::CaseInsensitive) == 0) {
            auto *provider = qobject_cast<TDataSetProvider *>(component);
            return provider ? provider->DataSet() : nullptr;
        }
    return nullptr;
}

void StartClientDatasetFeatures()
{
    RegisterDatasetFeaturesClass<TCDSDatasetFeaturesEh>(TClientDataSet::staticMetaObject);
}
