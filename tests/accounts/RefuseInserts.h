#pragma once

// A statement that fails part-way: the schema owner makes the engine refuse every row inserted into one table,
// so that a command writing several tables is stopped after its first rows went in.
#include "DataFixture.h"

#include <gtest/gtest.h>

inline void RefuseInserts(const DataFixture &data, const char *table, const char *reason)
{
    auto owner = data.makeDmr();
    owner->DbLogON(
        QString::fromLatin1(TDMR::SchemaOwner), QString::fromLatin1(TDMR::SchemaOwnerPassword), QStringLiteral("TEST"));
    ASSERT_TRUE(owner->Get_DatabaseConnectStatus());
    const QString name = QString::fromLatin1(table);
    const QString why = QString::fromUtf8(reason);
    if (data.engine() == TestEngine::SQLite) {
        owner->dbConnection()->Execute(
            QStringLiteral("create trigger ZOLT.REFUSE_%1 before insert on %1 begin select raise(ABORT, '%2'); end")
                .arg(name, why));
    } else {
        owner->dbConnection()->Execute(
            QStringLiteral("create function zolt.refuse_%1() returns trigger language plpgsql as $$ begin "
                           "raise exception '%2'; end $$")
                .arg(name, why));
        owner->dbConnection()->Execute(QStringLiteral("create trigger refuse_%1 before insert on zolt.%1 "
                                                      "for each row execute function zolt.refuse_%1()")
                                           .arg(name));
    }
    owner->DbLogOut();
}
