#pragma once

#include "CodePage.h"
#include "Exceptions.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>

// The dBase tables the program exchanges with banks and the post: their payment registers are read, their debt
// lists (tables of the partner's own structure) are emptied and refilled.
class EDbfError : public Exception
{
public:
    using Exception::Exception;
};

// One record to append: field name and value (text, or a number for numeric fields).
using TDbfRecord = QList<QPair<QString, QVariant>>;

// A table opened for reading. Texts are decoded by the table's code-page byte (ReadingCodePage). A table whose
// header promises more rows than the file holds is refused rather than read past its end.
class TKyv_Dbf
{
public:
    // Raises EDbfError naming the file when it is no readable table.
    explicit TKyv_Dbf(const QString &fileName);
    ~TKyv_Dbf();
    TKyv_Dbf(const TKyv_Dbf &) = delete;
    TKyv_Dbf &operator=(const TKyv_Dbf &) = delete;

    QString FileName() const { return m_fileName; }
    CodePage TextCodePage() const { return m_codePage; }
    int RecordCount() const { return m_recordCount; }
    int FieldCount() const;
    // Ignores case; -1 when the table has no such field.
    int FieldIndex(const QString &name) const;
    // Raises EDbfError naming the field when the table has none of that name.
    int RequiredField(const QString &name) const;
    bool IsDeleted(int record) const;
    // The field's text with the blanks around it removed; raises EDbfError for a record the file cannot give.
    QString AsString(int record, int field) const;

    // The page of a table's language byte (the LDID of the header). Both directions agree on the named pages
    // (0x26 and 0x65 OEM, 0x57 and 0xC9 Windows); they part on a byte naming none: a register read is taken as
    // written by a DOS program (CP866), a partner's table refilled keeps the Windows page its import expects.
    static CodePage ReadingCodePage(int languageDriver);
    static CodePage WritingCodePage(int languageDriver);

    // Replaces every record of the existing table `fileName` by `records`, texts in WritingCodePage of the
    // table's byte: an empty copy of the table is made beside it, filled, and renamed over it only when
    // everything was written, so a failure leaves the table as it was. False with `error` (in the user's words,
    // naming the file or field) otherwise.
    static bool Refill(const QString &fileName, const QList<TDbfRecord> &records, QString &error);

private:
    QString m_fileName;
    void *m_handle = nullptr;
    CodePage m_codePage = CodePage::CP866;
    int m_recordCount = 0;
};
