#pragma once

#include "DataSet.h"

#include <QObject>
#include <QPointer>

#include <functional>

// Joins a dataset to the controls that show it. The controls reach it through their data links.
class TDataSource : public QObject
{
    Q_OBJECT
public:
    explicit TDataSource(QObject *owner = nullptr);
    ~TDataSource() override;

    TDataSet *DataSet() const { return m_dataSet; }
    void SetDataSet(TDataSet *ds);
    bool AutoEdit() const { return m_autoEdit; }
    void SetAutoEdit(bool a) { m_autoEdit = a; }
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool e);
    TDataSetState State() const;
    // Puts the dataset into Edit, only when AutoEdit is on and the dataset is browsing.
    void Edit();
    bool IsLinkedTo(TDataSet *ds) const;
    const QList<TDataLink *> &DataLinks() const { return m_links; }

    std::function<void(TDataSource *, TField *)> OnDataChange;
    std::function<void(TDataSource *)> OnStateChange;
    std::function<void(TDataSource *)> OnUpdateData;

private:
    friend class TDataSet;
    friend class TDataLink;

    void NotifyLinks(int event, TField *field, int windowMode, bool quiet);

    QPointer<TDataSet> m_dataSet;
    QList<TDataLink *> m_links;
    bool m_autoEdit = true;
    bool m_enabled = true;
    TDataSetState m_lastState = dsInactive;
};

// An observer of one data source. Each link has its own buffer window of BufferCount records over the
// dataset's current order; FirstRecord is where the window starts and ActiveRecord is the cursor within it.
//
// The window follows fixed rules (N records, cursor c, window [F, F + B)):
// - plain moves keep F unless the cursor leaves the window, then the window slides just enough, and the
//   link gets DataSetScrolled(F_new - F_old), which may be 0;
// - First: F = 0; Last: F = max(0, N - B);
// - jumps (bookmark, locate, index, filter, refresh) centre the record: F = clamp(c - (B - 1) / 2, 0, N - B);
// - structural changes (insert, append, delete, post, cancel) keep the record on its row of the window when
//   possible: F = clamp(c - previous active record, 0, N - B);
// then DataSetChanged. SetActiveRecord only redirects field reads, for drawing: the cursor does not move.
class TDataLink
{
public:
    TDataLink();
    virtual ~TDataLink();
    TDataLink(const TDataLink &) = delete;
    TDataLink &operator=(const TDataLink &) = delete;

    TDataSource *DataSource() const { return m_dataSource; }
    void SetDataSource(TDataSource *source);
    TDataSet *DataSet() const;
    bool Active() const { return m_active; }
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool r);
    bool Editing() const { return m_editing; }
    bool Edit();
    void UpdateRecord();
    int MoveBy(int distance);
    bool VisualControl() const { return m_visualControl; }
    void SetVisualControl(bool v) { m_visualControl = v; }

    int BufferCount() const { return m_bufferCount; }
    void SetBufferCount(int count);
    int RecordCount() const;
    int ActiveRecord() const;
    void SetActiveRecord(int k);
    int FirstRecord() const { return m_first; }

protected:
    virtual void ActiveChanged() {}
    virtual void CheckBrowseMode() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled(int distance) { Q_UNUSED(distance); DataSetChanged(); }
    virtual void EditingChanged() {}
    virtual void FocusControl(TField **field) { Q_UNUSED(field); }
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void RecordChanged(TField *field) { Q_UNUSED(field); }
    virtual void UpdateData() {}

private:
    friend class TDataSource;
    friend class TDataSet;
    friend class TField;

    void DataEvent(int event, TField *field, int windowMode, bool quiet);
    void UpdateActiveState(bool quiet);
    void UpdateEditingState(bool quiet);
    void Resume(bool layoutChanged); // the last EnableControls
    int PlaceWindow(int windowMode);
    int SetWindowFirst(int first);
    int RowsInOrder() const;

    TDataSource *m_dataSource = nullptr;
    int m_bufferCount = 1;
    int m_first = 0;
    int m_lastActive = 0;
    bool m_active = false;
    bool m_editing = false;
    bool m_readOnly = false;
    bool m_visualControl = false;
    bool m_updating = false;
};
