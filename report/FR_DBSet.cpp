#include "FR_DBSet.h"

#include "FR_Utils.h"

#include "DataSet.h"
#include "DataSource.h"
#include "DatabaseError.h"

TfrDataset::TfrDataset(QObject *owner)
    : QObject(owner)
{
}

void TfrDataset::MoveFirst()
{
    m_recordNo = 0;
    if (OnFirst)
        OnFirst(this);
}

void TfrDataset::MoveNext()
{
    ++m_recordNo;
    if (!(RangeEnd == reCount && m_recordNo >= RangeEndCount) && OnNext)
        OnNext(this);
}

void TfrDataset::MovePrior()
{
    --m_recordNo;
    if (OnPrior)
        OnPrior(this);
}

bool TfrDataset::AtEnd()
{
    bool eof = RangeEnd == reCount && m_recordNo >= RangeEndCount;
    if (OnCheckEOF)
        OnCheckEOF(this, eof);
    return eof;
}

// ---- TfrDBDataSet

TfrDBDataSet::TfrDBDataSet(QObject *owner)
    : TfrDataset(owner)
{
}

TDataSet *TfrDBDataSet::DataSet() const
{
    return m_dataSet;
}

void TfrDBDataSet::SetDataSet(TDataSet *dataSet)
{
    m_dataSet = dataSet;
    m_dataSource = nullptr;
}

TDataSource *TfrDBDataSet::DataSource() const
{
    return m_dataSource;
}

void TfrDBDataSet::SetDataSource(TDataSource *dataSource)
{
    m_dataSource = dataSource;
    if (dataSource)
        m_dataSet = nullptr;
}

TDataSet *TfrDBDataSet::GetSourceDataSet() const
{
    if (m_dataSource && m_dataSource->DataSet())
        return m_dataSource->DataSet();
    if (m_dataSet)
        return m_dataSet;
    throw EDatabaseError(QStringLiteral("Unable to open dataset ") + objectName());
}

void TfrDBDataSet::OpenRange()
{
    TDataSet *ds = GetSourceDataSet();
    if (OpenDataSource)
        ds->Open();
    if (OnOpen)
        OnOpen(this);
    m_hasBookmark = RangeBegin == rbCurrent || RangeEnd == reCurrent;
    m_bookmark = m_hasBookmark ? GetDataSetBookmark(ds) : QByteArray();
    m_eof = false;
}

void TfrDBDataSet::CloseRange()
{
    TDataSet *ds = GetSourceDataSet();
    if (m_hasBookmark) {
        GotoDataSetBookmark(ds, m_bookmark);
        FreeDataSetBookmark(ds, m_bookmark);
        m_hasBookmark = false;
    }
    if (OnClose)
        OnClose(this);
    if (CloseDataSource)
        ds->Close();
}

void TfrDBDataSet::MoveFirst()
{
    TDataSet *ds = GetSourceDataSet();
    if (RangeBegin == rbFirst)
        ds->First();
    else
        GotoDataSetBookmark(ds, m_bookmark);
    m_eof = false;
    TfrDataset::MoveFirst();
}

void TfrDBDataSet::MoveNext()
{
    TDataSet *ds = GetSourceDataSet();
    m_eof = false;
    // The range ends after the record that was current when it opened; until that record is reached the walk
    // goes on (from the first record), so it can never stand still.
    if (RangeEnd == reCurrent && BookmarksEqual(ds, GetDataSetBookmark(ds), m_bookmark)) {
        m_eof = true;
        return;
    }
    ds->Next();
    TfrDataset::MoveNext();
}

void TfrDBDataSet::MovePrior()
{
    GetSourceDataSet()->Prior();
    TfrDataset::MovePrior();
}

bool TfrDBDataSet::AtEnd()
{
    const bool base = TfrDataset::AtEnd();
    return base || GetSourceDataSet()->Eof() || m_eof;
}

void ResolveBandDataSource(const QString &name, TfrDataset *&source, bool &created)
{
    source = nullptr;
    created = false;
    if (!name.isEmpty() && name[0] >= u'1' && name[0] <= u'9') {
        auto *counter = new TfrUserDataset;
        counter->RangeEnd = reCount;
        counter->RangeEndCount = qMax(0, name.trimmed().toInt());
        source = counter;
        created = true;
    } else if (QObject *component = FindReportComponent(name)) {
        source = qobject_cast<TfrDataset *>(component);
        if (!source)
            throw EDatabaseError(QStringLiteral("\"%1\" не является источником данных отчета").arg(name));
    }
    if (source)
        source->OpenRange();
}
