#pragma once

#include "CodePage.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>

// The partners' dBase III tables: the program never makes one, it empties an existing table and fills it.
// Texts travel in the table's own code page: CP866 or CP1251 as its language byte says, CP1251 when it says
// nothing.

// One record to append: field name and value (text, or a number for numeric fields).
using TDbfRecord = QList<QPair<QString, QVariant>>;

// The code page of a table's language byte (the LDID of the header).
CodePage DbfCodePageOf(int languageDriver);

// Replaces every record of the existing table `fileName` by `records`: an empty copy of the table is made beside
// it, filled, and renamed over it only when everything was written, so a failure leaves the table as it was.
// False with `error` (in the user's words, naming the file or field) otherwise.
bool RefillDbfTable(const QString &fileName, const QList<TDbfRecord> &records, QString &error);
