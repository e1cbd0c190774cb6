#pragma once

#include "CodePage.h"
#include "Exceptions.h"

#include <QString>

// A dBase table opened for reading, as the payment registers of banks and the post arrive. Texts are decoded by
// the table's code-page byte: CP1251 for the Windows pages, CP866 for the OEM ones and for a table that names
// none. A table whose header promises more rows than the file holds is refused rather than read past its end.
class EDbfError : public Exception
{
public:
    using Exception::Exception;
};

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

    // The page a table's language-driver byte names.
    static CodePage CodePageOfByte(unsigned char languageDriver);

private:
    QString m_fileName;
    void *m_handle = nullptr;
    CodePage m_codePage = CodePage::CP866;
    int m_recordCount = 0;
};
