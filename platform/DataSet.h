#pragma once

#include "DatabaseError.h"
#include "Exceptions.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <initializer_list>

#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

class TDataLink;
class TDataSet;
class TDataSource;
class TField;
class TMasterDataLink;

// The platform's field types; the grid's type tables map onto these names one to one.
enum TFieldType {
    ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftCurrency, ftBCD, ftDate, ftTime,
    ftDateTime, ftBytes, ftVarBytes, ftAutoInc, ftBlob, ftMemo, ftGraphic, ftFmtMemo, ftParadoxOle, ftDBaseOle,
    ftTypedBinary, ftFixedChar, ftWideString, ftLargeint, ftOraBlob, ftOraClob, ftGuid
};

enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };
enum TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey, dsCalcFields };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };

enum TProviderFlag { pfInUpdate = 1, pfInWhere = 2, pfInKey = 4, pfHidden = 8 };
using TProviderFlags = int;

enum TLocateOption { loCaseInsensitive = 1, loPartialKey = 2 };
using TLocateOptions = int;

enum TUpdateStatus { usUnmodified, usModified, usInserted, usDeleted };
enum TUpdateKind { ukModify, ukInsert, ukDelete };

// An ordered list of handlers: a dataset event can have several listeners (a window, the grid's features,
// a report source), called in the order they were added; addFirst puts one in front.
template<typename... Args>
class TEventList
{
public:
    using Handler = std::function<void(Args...)>;

    int add(Handler h) { m_items.push_back({++m_nextId, std::move(h)}); return m_nextId; }
    int addFirst(Handler h) { m_items.insert(m_items.begin(), {++m_nextId, std::move(h)}); return m_nextId; }
    void remove(int id)
    {
        for (auto it = m_items.begin(); it != m_items.end(); ++it)
            if (it->first == id) { m_items.erase(it); return; }
    }
    void clear() { m_items.clear(); }
    bool assigned() const { return !m_items.empty(); }
    void operator()(Args... args) const
    {
        const auto items = m_items; // a handler may add or remove handlers
        for (const auto &item : items)
            item.second(args...);
    }

private:
    std::vector<std::pair<int, Handler>> m_items;
    int m_nextId = 0;
};

using TDataSetNotifyEvent = TEventList<TDataSet *>;

// Helpers on the field types.
bool IsStringType(TFieldType t);
bool IsIntegerType(TFieldType t);
bool IsFloatType(TFieldType t);
bool IsNumericType(TFieldType t);
bool IsDateType(TFieldType t);
bool IsBlobType(TFieldType t);
QString FieldTypeName(TFieldType t);

// Splits a "A;B" field list into trimmed names (empty pieces dropped).
QStringList SplitFieldNames(const QString &names);

// Position of the item whose Name matches, ignoring case; -1 when absent.
template<typename T>
int IndexOfName(const QList<T> &items, const QString &name)
{
    for (int i = 0; i < items.size(); ++i)
        if (items[i].Name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// --------------------------------------------------------------------------------------------------------------
// Field definitions: what the dataset holds per row, independent of the field objects shown to callers.

class TFieldDef
{
public:
    TFieldDef() = default;
    TFieldDef(const QString &name, TFieldType type, int size = 0, bool required = false)
        : Name(name), DataType(type), Size(size), Required(required) {}

    QString Name;
    TFieldType DataType = ftUnknown;
    int Size = 0;
    int Precision = 0;
    bool Required = false;
    bool ReadOnly = false;
    TProviderFlags ProviderFlags = pfInUpdate | pfInWhere;
    // The engine named no type and no row gave a value to tell it: text was taken for now, and the next read
    // of the same statement decides again.
    bool TypeGuessed = false;
};

class TFieldDefs
{
public:
    TFieldDef &Add(const QString &name, TFieldType type, int size = 0, bool required = false);
    void Clear() { m_items.clear(); }
    int Count() const { return int(m_items.size()); }
    TFieldDef &operator[](int i) { return m_items[i]; }
    const TFieldDef &operator[](int i) const { return m_items[i]; }
    int IndexOf(const QString &name) const; // ignores case, -1 when absent
    const TFieldDef *Find(const QString &name) const;
    const QList<TFieldDef> &Items() const { return m_items; }

private:
    QList<TFieldDef> m_items;
};

// --------------------------------------------------------------------------------------------------------------
// Fields

class TField : public QObject
{
    Q_OBJECT
public:
    explicit TField(TFieldType type, QObject *owner = nullptr);
    ~TField() override;

    // Identity and placement.
    TDataSet *DataSet() const { return m_dataSet; }
    void SetDataSet(TDataSet *ds);
    QString FieldName() const { return m_fieldName; }
    void SetFieldName(const QString &name);
    TFieldType DataType() const { return m_dataType; }
    TFieldKind FieldKind() const { return m_fieldKind; }
    void SetFieldKind(TFieldKind kind);
    bool Calculated() const { return m_fieldKind == fkCalculated || m_fieldKind == fkInternalCalc; }
    bool Lookup() const { return m_fieldKind == fkLookup; }
    int Index() const;
    void SetIndex(int i);
    int FieldNo() const { return m_dataIndex + 1; } // 1-based column of a data field, 0 otherwise
    bool IsBlob() const { return IsBlobType(m_dataType); }

    // Display properties.
    QString DisplayLabel() const { return m_displayLabel.isEmpty() ? m_fieldName : m_displayLabel; }
    void SetDisplayLabel(const QString &s);
    QString DisplayName() const { return DisplayLabel(); }
    int DisplayWidth() const;
    void SetDisplayWidth(int w);
    TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment a);
    bool Visible() const { return m_visible; }
    void SetVisible(bool v);
    QString DisplayFormat() const { return m_displayFormat; }
    void SetDisplayFormat(const QString &f);
    QString EditFormat() const { return m_editFormat; }
    void SetEditFormat(const QString &f);
    QString EditMask() const { return m_editMask; }
    void SetEditMask(const QString &m) { m_editMask = m; }

    // Rules.
    int Size() const { return m_size; }
    void SetSize(int s) { m_size = s; }
    int Precision() const { return m_precision; }
    void SetPrecision(int p) { m_precision = p; }
    bool Currency() const { return m_currency; }
    void SetCurrency(bool c) { m_currency = c; }
    QVariant MinValue() const { return m_minValue; }
    QVariant MaxValue() const { return m_maxValue; }
    void SetMinValue(const QVariant &v) { m_minValue = v; }
    void SetMaxValue(const QVariant &v) { m_maxValue = v; }
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool r) { m_readOnly = r; }
    bool Required() const { return m_required; }
    void SetRequired(bool r) { m_required = r; }
    TProviderFlags ProviderFlags() const { return m_providerFlags; }
    void SetProviderFlags(TProviderFlags f) { m_providerFlags = f; }
    bool CanModify() const;
    bool IsValidChar(QChar c) const;

    // Lookup definition.
    TDataSet *LookupDataSet() const { return m_lookupDataSet; }
    void SetLookupDataSet(TDataSet *ds) { m_lookupDataSet = ds; }
    QString LookupKeyFields() const { return m_lookupKeyFields; }
    void SetLookupKeyFields(const QString &s) { m_lookupKeyFields = s; }
    QString LookupResultField() const { return m_lookupResultField; }
    void SetLookupResultField(const QString &s) { m_lookupResultField = s; }
    QString KeyFields() const { return m_keyFields; }
    void SetKeyFields(const QString &s) { m_keyFields = s; }
    // With the cache on, the lookup dataset's rows are read once into a list of key and result; the list is read
    // again when that dataset's rows or order change (open, refresh, post, delete, filter, index) and on
    // RefreshLookupList.
    bool LookupCache() const { return m_lookupCache; }
    void SetLookupCache(bool on);
    void RefreshLookupList();

    // Value of the current record (or of the record a data link is drawing).
    QVariant Value() const;
    void SetValue(const QVariant &v);
    QVariant AsVariant() const { return Value(); }
    bool IsNull() const { return !Value().isValid(); }
    void Clear() { SetValue(QVariant()); }
    QVariant OldValue() const;
    QVariant NewValue() const { return Value(); }

    QString AsString() const;
    void SetAsString(const QString &s);
    int AsInteger() const;
    void SetAsInteger(int v) { SetValue(v); }
    qlonglong AsLargeInt() const;
    void SetAsLargeInt(qlonglong v) { SetValue(v); }
    double AsFloat() const;
    void SetAsFloat(double v) { SetValue(v); }
    QDateTime AsDateTime() const; // null gives 30/12/1899
    void SetAsDateTime(const QDateTime &v) { SetValue(v); }
    bool AsBoolean() const;
    void SetAsBoolean(bool v) { SetValue(v); }

    QString Text() const { return GetText(false); }
    void SetText(const QString &s);
    QString DisplayText() const { return GetText(true); }

    void FocusControl();

    // Converts a value to this field's own representation (string, int, qlonglong, double, bool, QDateTime,
    // QByteArray); raises a conversion error naming the field when that is impossible.
    QVariant Coerce(const QVariant &v) const;

    std::function<void(TField *, QString &text, bool displayText)> OnGetText;
    std::function<void(TField *, const QString &text)> OnSetText;
    std::function<void(TField *)> OnChange;
    std::function<void(TField *, const QVariant &value)> OnValidate;

protected:
    void LayoutChanged(); // a property the grid shows changed
    QString GetText(bool displayText) const;
    QString FormatValue(const QVariant &v, bool displayText) const;
    QVariant ParseText(const QString &s) const;

private:
    friend class TDataSet;
    friend class TFields;

    TDataSet *m_dataSet = nullptr;
    QString m_fieldName;
    TFieldType m_dataType;
    TFieldKind m_fieldKind = fkData;
    int m_dataIndex = -1; // column in the row values (data fields)
    int m_calcIndex = -1; // column in the calculated buffer (calculated and lookup fields)
    QString m_displayLabel;
    int m_displayWidth = -1;
    TAlignment m_alignment;
    bool m_visible = true;
    QString m_displayFormat;
    QString m_editFormat;
    QString m_editMask;
    int m_size = 0;
    int m_precision = 15;
    bool m_currency = false;
    QVariant m_minValue;
    QVariant m_maxValue;
    bool m_readOnly = false;
    bool m_required = false;
    TProviderFlags m_providerFlags = pfInUpdate | pfInWhere;
    QPointer<TDataSet> m_lookupDataSet;
    QString m_lookupKeyFields;
    QString m_lookupResultField;
    QString m_keyFields;
    bool m_defaultField = false;
    bool m_lookupCache = false;
    QHash<QString, QVariant> m_lookupList; // key text -> result of the first row with that key
    quint64 m_lookupListStamp = 0;         // the lookup dataset's DataStamp when the list was read; 0 = not read
};

// The typed kinds: the type is fixed by the class, as when a window declares its fields in code.
#define TARVIK_FIELD_CLASS(Name, Base, Type)                                                                  \
    class Name : public Base                                                                                  \
    {                                                                                                         \
        Q_OBJECT                                                                                              \
    public:                                                                                                   \
        explicit Name(QObject *owner = nullptr) : Base(Type, owner) {}                                        \
                                                                                                              \
    protected:                                                                                                \
        Name(TFieldType t, QObject *owner) : Base(t, owner) {}                                                \
    };

TARVIK_FIELD_CLASS(TStringField, TField, ftString)
TARVIK_FIELD_CLASS(TWideStringField, TStringField, ftWideString)
TARVIK_FIELD_CLASS(TNumericField, TField, ftFloat)
TARVIK_FIELD_CLASS(TIntegerField, TNumericField, ftInteger)
TARVIK_FIELD_CLASS(TSmallintField, TIntegerField, ftSmallint)
TARVIK_FIELD_CLASS(TWordField, TIntegerField, ftWord)
TARVIK_FIELD_CLASS(TAutoIncField, TIntegerField, ftAutoInc)
TARVIK_FIELD_CLASS(TLargeintField, TNumericField, ftLargeint)
TARVIK_FIELD_CLASS(TFloatField, TNumericField, ftFloat)
TARVIK_FIELD_CLASS(TCurrencyField, TFloatField, ftCurrency)
TARVIK_FIELD_CLASS(TBCDField, TNumericField, ftBCD)
TARVIK_FIELD_CLASS(TBooleanField, TField, ftBoolean)
TARVIK_FIELD_CLASS(TDateTimeField, TField, ftDateTime)
TARVIK_FIELD_CLASS(TDateField, TDateTimeField, ftDate)
TARVIK_FIELD_CLASS(TTimeField, TDateTimeField, ftTime)
TARVIK_FIELD_CLASS(TBlobField, TField, ftBlob)
TARVIK_FIELD_CLASS(TMemoField, TBlobField, ftMemo)
TARVIK_FIELD_CLASS(TBytesField, TField, ftBytes)

#undef TARVIK_FIELD_CLASS

// Makes a field object of the class that fits the type.
TField *CreateField(TFieldType type, QObject *owner = nullptr);

class TFields
{
public:
    int Count() const { return int(m_items.size()); }
    TField *operator[](int i) const { return m_items[i]; }
    TField *Field(int i) const { return m_items[i]; }
    TField *FindField(const QString &name) const; // ignores case
    TField *FieldByName(const QString &name) const;
    int IndexOf(const TField *f) const { return int(m_items.indexOf(const_cast<TField *>(f))); }
    const QList<TField *> &Items() const { return m_items; }
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    friend class TDataSet;
    friend class TField;
    QList<TField *> m_items;
    TDataSet *m_dataSet = nullptr;
};

// --------------------------------------------------------------------------------------------------------------
// Parameters of a command text.

enum TParamType { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };

class TParam
{
public:
    TParam() = default;
    TParam(const QString &name, TFieldType type = ftUnknown, TParamType kind = ptInput)
        : m_name(name), m_dataType(type), m_paramType(kind) {}

    QString Name() const { return m_name; }
    void SetName(const QString &n) { m_name = n; }
    TFieldType DataType() const { return m_dataType; }
    void SetDataType(TFieldType t) { m_dataType = t; }
    TParamType ParamType() const { return m_paramType; }
    void SetParamType(TParamType t) { m_paramType = t; }
    // Decimals a money parameter is rounded to before it is bound; -1 binds the value as it is.
    int NumericScale() const { return m_numericScale; }
    void SetNumericScale(int s) { m_numericScale = s; }
    int Size() const { return m_size; }
    void SetSize(int s) { m_size = s; }

    QVariant Value() const { return m_value; }
    void SetValue(const QVariant &v);
    bool IsNull() const { return !m_value.isValid(); }
    void Clear() { m_value = QVariant(); }

    QString AsString() const { return m_value.toString(); }
    void SetAsString(const QString &v) { m_dataType = ftString; m_value = v; }
    int AsInteger() const { return m_value.toInt(); }
    void SetAsInteger(int v) { m_dataType = ftInteger; m_value = v; }
    double AsFloat() const { return m_value.toDouble(); }
    void SetAsFloat(double v) { m_dataType = ftFloat; m_value = v; }
    QDateTime AsDateTime() const { return m_value.toDateTime(); }
    void SetAsDateTime(const QDateTime &v) { m_dataType = ftDateTime; m_value = v; }
    void SetAsDate(const QDate &v) { m_dataType = ftDate; m_value = QDateTime(v, QTime(0, 0)); }
    bool AsBoolean() const { return m_value.toBool(); }
    void SetAsBoolean(bool v) { m_dataType = ftBoolean; m_value = v; }

private:
    QString m_name;
    TFieldType m_dataType = ftUnknown;
    TParamType m_paramType = ptInput;
    int m_numericScale = -1;
    int m_size = 0;
    QVariant m_value;
};

class TParams
{
public:
    TParams() = default;
    // A short list written in place: {{"P_ID", 5}, {"P_NAME", name}}.
    TParams(std::initializer_list<QPair<QString, QVariant>> values);
    TParam &CreateParam(TFieldType type, const QString &name, TParamType kind = ptInput);
    TParam &AddParam(const TParam &p);
    TParam *FindParam(const QString &name); // ignores case
    const TParam *FindParam(const QString &name) const;
    TParam &ParamByName(const QString &name); // raises "Parameter 'X' not found"
    const TParam &ParamByName(const QString &name) const;
    void Clear() { m_items.clear(); }
    int Count() const { return int(m_items.size()); }
    bool IsEmpty() const { return m_items.isEmpty(); }
    TParam &operator[](int i) { return m_items[i]; }
    const TParam &operator[](int i) const { return m_items[i]; }
    // Values of the parameters named "A;B" as one value (one name) or a list.
    QVariant ParamValues(const QString &names) const;
    void SetParamValues(const QString &names, const QVariant &values);
    // Takes over values of parameters of the same name from another list, keeping this list's set.
    void AssignValues(const TParams &other);
    auto begin() { return m_items.begin(); }
    auto end() { return m_items.end(); }
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    QList<TParam> m_items;
};

// --------------------------------------------------------------------------------------------------------------
// One row held by a dataset. Rows live in arrival order; the current order (index, filter, master range) is a
// list of row ids over them, and a bookmark is the row id.

struct TRecordData
{
    std::vector<QVariant> values;
    std::unique_ptr<std::vector<QVariant>> original; // values before the first change since the last merge
    TUpdateStatus status = usUnmodified;
    bool live = true; // false once deleted (and, for client datasets, once the deletion is merged)
};

// --------------------------------------------------------------------------------------------------------------

class TDataSet : public QObject
{
    Q_OBJECT
public:
    explicit TDataSet(QObject *owner = nullptr);
    ~TDataSet() override;

    // ---- State and lifecycle
    TDataSetState State() const { return m_state; }
    bool Active() const { return m_state != dsInactive; }
    void SetActive(bool a);
    void Open();
    void Close();
    void Refresh();
    bool IsEmpty() const;
    virtual bool CanModify() const { return Active() && !m_readOnly; }
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool r) { m_readOnly = r; }
    bool Modified() const { return m_modified; }
    virtual bool IsSequenced() const { return true; }

    // ---- Navigation
    void First();
    void Last();
    void Next();
    void Prior();
    int MoveBy(int distance); // answers the distance moved
    bool Bof() const { return m_bof; }
    bool Eof() const { return m_eof; }
    int RecordCount() const;
    int RecNo() const; // 1-based, 0 when empty or inserting a new record
    void SetRecNo(int recNo);

    // ---- Editing
    void Edit();
    void Insert();
    void Append();
    void Post();
    void Cancel();
    void Delete();
    void CheckBrowseMode();
    void UpdateRecord();
    void ClearFields();

    // ---- Fields
    TFieldDefs &FieldDefs() { return m_fieldDefs; }
    const TFieldDefs &FieldDefs() const { return m_fieldDefs; }
    const TFields &Fields() const { return m_fields; }
    int FieldCount() const { return m_fields.Count(); }
    TField *FindField(const QString &name) const { return m_fields.FindField(name); }
    TField *FieldByName(const QString &name) const;
    QList<TField *> GetFieldList(const QString &names) const; // raises for an unknown name
    QVariant FieldValues(const QString &names) const;          // one value, or a list for "A;B"
    void SetFieldValues(const QString &names, const QVariant &values);
    bool DefaultFields() const { return m_defaultFields; }
    template<typename F>
    F *AddField(const QString &name, TFieldKind kind = fkData)
    {
        auto *f = new F(this);
        f->SetFieldName(name);
        f->SetFieldKind(kind);
        f->SetDataSet(this);
        return f;
    }

    // ---- Search
    bool Locate(const QString &keyFields, const QVariant &keyValues, TLocateOptions options = 0);
    QVariant Lookup(const QString &keyFields, const QVariant &keyValues, const QString &resultFields);

    // ---- Bookmarks: a stable row id; compared by the rows' positions in the current order.
    QByteArray GetBookmark() const;
    // The bookmark of the record whose fields are read now: a data link's drawing row, else the current one.
    QByteArray ReadBookmark() const;
    void GotoBookmark(const QByteArray &bookmark);
    bool BookmarkValid(const QByteArray &bookmark) const;
    int CompareBookmarks(const QByteArray &a, const QByteArray &b) const;
    // Reads the records of the current order one by one without moving the cursor, leaving an edit or telling
    // the controls: while fn runs, the fields give that record's values (the record being edited or inserted,
    // its values as typed) and bookmark is its bookmark (empty for a record being inserted). A reader that keeps
    // no bookmarks asks for none and is given empty ones: a walk over many records then allocates nothing.
    void ForEachRecord(const std::function<void(const QByteArray &bookmark)> &fn, bool withBookmarks = true);
    // Raised by every change of order (index, filter, refresh), so that sorted bookmark lists can be re-sorted.
    quint64 OrderStamp() const { return m_orderStamp; }
    // Raised by every change of the rows or their order, so that what was read from them can be read again.
    quint64 DataStamp() const { return m_dataStamp; }

    // ---- Filters
    QString Filter() const { return m_filter; }
    void SetFilter(const QString &text);
    bool Filtered() const { return m_filtered; }
    void SetFiltered(bool f);

    // ---- Observers
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return m_disableCount > 0; }
    bool IsLinkedTo(TDataSource *source) const;

    // ---- Master-detail: the rows shown follow the master's current row.
    TDataSource *MasterSource() const;
    void SetMasterSource(TDataSource *source);
    QString MasterFields() const { return m_masterFields; }
    void SetMasterFields(const QString &names);
    // The detail's own fields matched against MasterFields; empty means the same names.
    QString DetailFields() const { return m_detailFields; }
    void SetDetailFields(const QString &names);

    // ---- Parameters of the command text
    TParams &Params() { return m_params; }
    const TParams &Params() const { return m_params; }

    // ---- What a provider asks of the dataset it wraps. A server dataset runs its statements on its own
    // connection; the defaults serve an in-memory dataset that has none.
    virtual QString PSGetKeyFields() const;
    virtual QString PSGetTableName() const { return QString(); }
    // The columns of the update table, so that a joined query writes only its own columns; empty when the
    // dataset cannot tell (then every column of the packet is the table's).
    virtual QStringList PSGetTableColumns(const QString &tableName) { Q_UNUSED(tableName); return {}; }
    virtual void PSSetCommandText(const QString &text) { m_commandText = text; }
    QString PSCommandText() const { return m_commandText; }
    virtual void PSSetParams(const TParams &params) { m_params.AssignValues(params); }
    virtual void PSExecute();
    // Runs one statement with positional "?" parameters; answers the rows affected. With resultSet, the rows
    // it selects are loaded into that dataset.
    virtual int PSExecuteStatement(const QString &sql, const TParams &params, TDataSet *resultSet = nullptr);
    virtual bool PSInTransaction() const { return false; }
    virtual void PSStartTransaction() {}
    virtual void PSEndTransaction(bool commit) { Q_UNUSED(commit); }

    // ---- Events
    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    TDataSetNotifyEvent BeforeRefresh, AfterRefresh;
    TDataSetNotifyEvent OnNewRecord, OnCalcFields;
    TEventList<TDataSet *, bool &> OnFilterRecord;

    // ---- Buffer windows of the data links (see TDataLink)
    int CurrentPosition() const { return m_cursor; }

    // ---- Row storage, for subclasses and providers
    int RowCountInOrder() const { return int(m_order.size()); }
    const TRecordData &RowData(int rowId) const { return m_rows[rowId]; }
    // Appends a fetched row (values in FieldDefs order); only while opening, from InternalOpen. Columns whose
    // declared field has another type than the definition are converted once the rows are in.
    void AppendFetchedRow(std::vector<QVariant> values);
    void ReserveRows(int n) { m_rows.reserve(size_t(n)); m_sequence.reserve(size_t(n)); }
    // Opens the dataset on the given columns and rows instead of reading them (a result set, a data packet).
    void LoadData(const QList<TFieldDef> &defs, std::vector<std::vector<QVariant>> rows);
    // The values of the rows in the current order; with take (and the dataset inactive afterwards is up to the
    // caller) the values are moved out, leaving the rows empty.
    std::vector<std::vector<QVariant>> ExtractRows(bool take);

protected:
    // Called while opening: fill FieldDefs (unless declared) and the rows with AppendFetchedRow.
    virtual void InternalOpen() {}
    virtual void InternalClose() {}
    // Re-reads the rows; the default runs InternalOpen again.
    virtual void InternalRefresh();
    // Hooks around changes of the stored rows (the client dataset keeps its change log here). previous holds
    // the row's values before the post (empty for an insert).
    virtual void InternalPost(int rowId, bool inserted, std::vector<QVariant> &previous);
    virtual void InternalDelete(int rowId);
    // The rows in the order before filtering; the default is arrival order. Client datasets answer their index.
    virtual std::vector<int> BaseOrder() const;
    // Where a posted row belongs in the given order (its own entry ignored); -1 keeps it where it is.
    virtual int PlaceInBaseOrder(const std::vector<int> &order, int rowId) const;
    virtual bool CanUseIndexForLocate(const QList<TField *> &fields, TLocateOptions options) const;
    virtual int FindInIndex(const QList<TField *> &fields, const QVariantList &key, TLocateOptions options) const;
    // The position of the first row of the order matching key, row by row; what an index that cannot answer a
    // search falls back on.
    int ScanForRow(const QList<TField *> &fields, const QVariantList &key, TLocateOptions options) const;
    // The master moved to another record: the default narrows the rows to the master's key.
    virtual void MasterChanged();
    virtual bool UsesMasterRange() const { return true; }
    virtual void DoOnNewRecord();
    virtual void CheckRequiredFields();

    void DataEvent(int event, TField *field = nullptr, int windowMode = 0);
    void RebuildOrder(bool keepCurrent);
    void OrderChanged(); // index or filter changed: rebuild the order, keep the record, centre the windows
    void SetState(TDataSetState s);
    void CreateDefaultFields();
    void BindFields();
    void ClearRows();
    bool IsEditing() const;
    const std::vector<int> &Order() const { return m_order; }
    const std::vector<int> &Sequence() const { return m_sequence; } // every row id in arrival order
    // Handing the rows out for writing counts as a change of their contents (see RowsStamp).
    std::vector<TRecordData> &Rows() { ++m_rowsStamp; return m_rows; }
    const std::vector<TRecordData> &Rows() const { return m_rows; }
    // Raised by every change of the rows themselves (values, arrival, deletion), not by a change of their order:
    // an order worked out from the rows stays right while it stands.
    quint64 RowsStamp() const { return m_rowsStamp; }
    int CurrentRowId() const;
    int PositionOf(int rowId) const;
    QVariant RowValue(int rowId, const TField *f) const;
    QVariantList CurrentMasterValues() const;
    const QVariantList &MasterValues() const { return m_masterValues; }
    bool ReadingFromProvider() const { return m_fetching; }
    void CheckActive() const;
    void CheckInactive() const;
    // Nulls lowest; text by the Russian collation.
    static int CompareValues(TFieldType type, const QVariant &a, const QVariant &b, bool caseInsensitive);
    bool RowMatches(int rowId, const QList<TField *> &fields, const QVariantList &key,
                    TLocateOptions options) const;
    void InvalidateCalcCache() const { m_calcRowId = -2; }
    void RowsChanged() { ++m_dataStamp; ++m_rowsStamp; }
    QString m_commandText;

private:
    friend class TField;
    friend class TDataLink;
    friend class TDataSource;
    friend class TMasterDataLink;

    void OpenCursor();
    void CloseCursor();
    void BeginInsert(bool append);
    void DropPendingInsert();
    void CheckDrawing() const;
    void CheckCanModify() const;
    QVariant ReadValue(const TField *f) const;
    void WriteValue(TField *f, const QVariant &v);
    int ReadRowId() const;
    void CalculateFields(const std::vector<QVariant> &source, std::vector<QVariant> &buffer);
    const std::vector<QVariant> &CalcBufferFor(int rowId) const;
    bool RowPassesFilter(int rowId);
    int FindRow(const QList<TField *> &fields, const QVariantList &values, TLocateOptions options) const;
    QVariant LookupValue(TField *f, const QVariant &key);
    QList<TDataLink *> AllLinks() const;
    void SetDrawPosition(int position) { m_drawPosition = position; InvalidateCalcCache(); }
    void RebuildPositions() const;
    bool MasterRangeAccepts(int rowId) const;

    TDataSetState m_state = dsInactive;
    TFieldDefs m_fieldDefs;
    TFields m_fields;
    TParams m_params;
    std::vector<TRecordData> m_rows;
    std::vector<int> m_sequence; // arrival order, with inserted rows where they were inserted
    std::vector<int> m_order;
    std::unique_ptr<std::vector<std::vector<QVariant>>> m_pendingRows;
    mutable std::vector<int> m_positions; // row id -> position in m_order, -1 when not shown
    mutable bool m_positionsValid = false;
    int m_cursor = -1;       // position in m_order; -1 when empty
    int m_drawPosition = -1; // a data link's drawing row, -1 for the cursor
    int m_readRow = -1;      // the row a filter is testing, -1 otherwise
    bool m_bof = true;
    bool m_eof = true;
    bool m_modified = false;
    bool m_readOnly = false;
    bool m_defaultFields = false;
    bool m_fetching = false;
    std::vector<QVariant> m_editBuffer; // data values of the record being edited or inserted
    int m_editRowId = -1;               // the row being edited or inserted
    mutable std::vector<QVariant> m_calcBuffer;
    mutable int m_calcRowId = -2;
    int m_calcCount = 0;
    bool m_inCalc = false;
    const std::vector<QVariant> *m_calcSource = nullptr;
    std::vector<QVariant> *m_calcWork = nullptr;
    quint64 m_orderStamp = 0;
    quint64 m_dataStamp = 1;
    quint64 m_rowsStamp = 1;
    QString m_filter;
    bool m_filtered = false;
    std::function<bool(TDataSet *, int)> m_filterPredicate;
    int m_disableCount = 0;
    bool m_disabledLayout = false;
    QList<TDataSource *> m_dataSources;
    std::unique_ptr<TMasterDataLink> m_masterLink;
    QString m_masterFields;
    QString m_detailFields;
    QVariantList m_masterValues;
};

// How a data link's buffer window follows a change (see TDataLink).
enum TWindowMode { wmNone, wmFirst, wmLast, wmCentre, wmStructural, wmScroll };

// Data events sent through TDataSource to the links.
enum TDataEvent {
    deFieldChange, deRecordChange, deDataSetChange, deDataSetScroll, deLayoutChange, deUpdateRecord,
    deUpdateState, deCheckBrowseMode, dePropertyChange, deFieldListChange, deFocusControl
};
