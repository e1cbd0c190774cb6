#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The plain templates a fresh installation ships for every document and list the program prints: a title, the
// period texts the program fills, one data band with a column per field of the report's dataset, and the totals.
// They are made by the engine's own template writer, so that what is shipped is what the engine reads; an
// operator replaces them with designed ones in the designer.

struct TTemplateColumn
{
    QString field;
    QString caption;
    int chars; // the column's width in characters
    // A text longer than the column goes on in further lines of its row, which grows with it, instead of
    // running over the next column.
    bool wrap = false;
};

struct TPlainTemplate
{
    QString fileName;
    // The report dataset the data band walks ("frDBDataSet" + the dataset's name).
    QString source;
    QString title;
    // The text objects the program fills before printing: "frmemoPeriod", or "frmemoPeriodFrom" and
    // "frmemoPeriodTo".
    QStringList periodTexts;
    // Lines under the title naming what the report is about: text with fields of the module's other datasets
    // in brackets ("[odsBalanceCustomer.\"FIO\"]").
    QStringList headings;
    QList<TTemplateColumn> columns;
    // Fields totalled under their columns; a count of the rows is printed with them.
    QStringList sums;
    bool countRows = true;
};

const QList<TPlainTemplate> &PlainTemplates();
const TPlainTemplate *FindPlainTemplate(const QString &fileName);

// Writes the template to `path` through the engine's template writer; a failure raises and leaves an existing
// file as it was.
void WritePlainTemplate(const TPlainTemplate &spec, const QString &path);
// Writes every plain template into the folder (made when missing); answers the number written.
int WritePlainTemplates(const QString &folder);
