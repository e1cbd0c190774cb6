#include "uFields.h"

#include "DbSchema.h"

namespace {

TFieldType fieldTypeOf(const QString &declared)
{
    if (declared.startsWith(QLatin1String("VARCHAR2")) || declared.startsWith(QLatin1String("CHAR")))
        return ftString;
    if (declared == QLatin1String("DATE"))
        return ftDateTime;
    return ftFloat;
}

int widthOf(const QString &declared)
{
    const qsizetype open = declared.indexOf(QLatin1Char('('));
    return open < 0 ? (declared.startsWith(QLatin1String("CHAR")) ? 1 : 0)
                    : declared.mid(open + 1, declared.indexOf(QLatin1Char(')')) - open - 1).toInt();
}

} // namespace

TField *AddDataSetField(TDataSet *ds, const QString &name, TFieldType type, int size, TFieldKind kind)
{
    TField *f = CreateField(type, ds);
    f->SetFieldName(name);
    f->SetSize(size);
    f->SetFieldKind(kind);
    f->SetDataSet(ds);
    return f;
}

void AddTableFields(TDataSet *ds, const QString &table, const QStringList &only)
{
    for (const DbSchema::Column &c : DbSchema::table(table).columns)
        if (only.isEmpty() || only.contains(c.name))
            AddDataSetField(ds, c.name, fieldTypeOf(c.type), fieldTypeOf(c.type) == ftString ? widthOf(c.type) : 0);
}
