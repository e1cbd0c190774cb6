#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class TDataSet;
class TDataSource;

enum TRangeBegin { rbFirst, rbCurrent };
enum TRangeEnd { reLast, reCurrent, reCount };

// A record source of a report: a data band walks it from its first record to its end. The base class only
// counts; the events let the program move its own data.
class TfrDataset : public QObject
{
    Q_OBJECT
public:
    explicit TfrDataset(QObject *owner = nullptr);

    virtual void OpenRange() {}
    virtual void CloseRange() {}
    virtual void MoveFirst();
    virtual void MoveNext();
    virtual void MovePrior();
    virtual bool AtEnd();

    // Records moved over since the start of the range.
    int RecordNo() const { return m_recordNo; }

    TRangeBegin RangeBegin = rbFirst;
    TRangeEnd RangeEnd = reLast;
    int RangeEndCount = 0;
    std::function<void(TfrDataset *sender, bool &eof)> OnCheckEOF;
    std::function<void(TfrDataset *sender)> OnFirst, OnNext, OnPrior;

private:
    int m_recordNo = 0;
};

// A source whose records the program moves through the events, or that just counts to RangeEndCount.
class TfrUserDataset : public TfrDataset
{
    Q_OBJECT
public:
    using TfrDataset::TfrDataset;
};

// Binds a program dataset (or the dataset of a data source, which wins) to reports under the component's name.
class TfrDBDataSet : public TfrDataset
{
    Q_OBJECT
public:
    explicit TfrDBDataSet(QObject *owner = nullptr);

    void OpenRange() override;
    void CloseRange() override;
    void MoveFirst() override;
    void MoveNext() override;
    void MovePrior() override;
    bool AtEnd() override;

    TDataSet *DataSet() const;
    // Always clears DataSource.
    void SetDataSet(TDataSet *dataSet);
    TDataSource *DataSource() const;
    // A data source clears DataSet; nil leaves DataSet as it is.
    void SetDataSource(TDataSource *dataSource);
    // Raises the dataset error "Unable to open dataset <name>" when neither names a dataset.
    TDataSet *GetSourceDataSet() const;

    bool CloseDataSource = false;
    bool OpenDataSource = true;
    std::function<void(TfrDBDataSet *sender)> OnOpen, OnClose;

private:
    // Both clear themselves when their component is destroyed.
    QPointer<TDataSet> m_dataSet;
    QPointer<TDataSource> m_dataSource;
    QByteArray m_bookmark;
    bool m_hasBookmark = false;
    bool m_eof = false;
};

// The data source a band names: a number from 1 on makes a counting source of that many records, which the
// caller owns (created true); otherwise the report component of that name, which must be a data source (another
// component raises an error naming it; no component gives none). A source found or made is opened.
void ResolveBandDataSource(const QString &name, TfrDataset *&source, bool &created);
