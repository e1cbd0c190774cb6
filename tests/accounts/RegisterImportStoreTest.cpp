// Payment registers against a database: accounts matched, documents stored whole or not at all, and the window.
#include "DataFixture.h"
#include "RegisterFiles.h"

#include "FormatSettings.h"
#include "Kyv_Dbf.h"
#include "MainWindowScope.h"
#include "ModalAnswer.h"
#include "Registry.h"
#include "Screenshot.h"
#include "ServiceFakes.h"
#include "dmuDM.h"
#include "frmuExternalPayments.h"
#include "uRegisterImport.h"
#include "uSettings.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace registers;

namespace {

const QDate AccDate(2026, 1, 1);

// Customers holding every account the generated registers use but "0502", "102" (mode 0) and "703" (ERIP);
// account 302 is held twice, and the later customer wins.
class RegisterImportStore : public ::testing::TestWithParam<TestEngine>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_data.isValid()) << m_data.error().toStdString();
        FormatSettings().DecimalSeparator = QLatin1Char('.');
        m_dmr = m_data.makeReadyDmr();
        ASSERT_TRUE(m_dmr->Get_DatabaseConnectStatus());
        int id = 1;
        for (const char *account : { "101", "103", "201", "202", "301", "302", "302", "401", "402", "501", "601", "602",
                 "701", "702", "А-12" })
            addCustomer(id++, QString::fromUtf8(account));
        m_other = m_data.makeDmr();
        m_other->DbLogON(QStringLiteral("vmdemo"), QStringLiteral("wisp"), QStringLiteral("TEST"));
        ASSERT_TRUE(m_other->Get_DatabaseConnectStatus());
    }

    void addCustomer(int id, const QString &account)
    {
        m_dmr->dbConnection()->Execute(
            QStringLiteral("insert into ZOLT.CUSTOMER (CUSTOMER_ID, ACCOUNT_NO, SURNAME, INITIALS, CUST_STATE) "
                           "values (:P_ID, :P_ACC, :P_SURNAME, 'А.Б.', 1)"),
            { { QStringLiteral("P_ID"), id }, { QStringLiteral("P_ACC"), account },
                { QStringLiteral("P_SURNAME"), QStringLiteral("Абонент%1").arg(id) } });
    }

    // A value as the second connection reads it: what was committed.
    QVariant seen(const QString &sql) const { return m_other->dbConnection()->SelectValue(sql); }
    int count(const char *table) const
    {
        return seen(QStringLiteral("select count(*) from ZOLT.") + QLatin1String(table)).toInt();
    }

    // Makes the engine refuse a payment of that sum, as the schema owner.
    void refusePaymentsOf(double sum)
    {
        auto owner = m_data.makeDmr();
        owner->DbLogON(QString::fromLatin1(TDMR::SchemaOwner), QString::fromLatin1(TDMR::SchemaOwnerPassword),
            QStringLiteral("TEST"));
        ASSERT_TRUE(owner->Get_DatabaseConnectStatus());
        const QString value = QString::number(sum);
        if (GetParam() == TestEngine::SQLite) {
            owner->dbConnection()->Execute(
                QStringLiteral("create trigger ZOLT.REFUSE_PAYMENT before insert on PAYMENT when NEW.PAY_SUM = %1 "
                               "begin select raise(ABORT, 'refused payment'); end")
                    .arg(value));
        } else {
            owner->dbConnection()->Execute(
                QStringLiteral("create function zolt.refuse_payment() returns trigger language plpgsql as $$ begin "
                               "if NEW.pay_sum = %1 then raise exception 'refused payment'; end if; return NEW; end $$")
                    .arg(value));
            owner->dbConnection()->Execute(QStringLiteral("create trigger refuse_payment before insert on zolt.payment "
                                                          "for each row execute function zolt.refuse_payment()"));
        }
        owner->DbLogOut();
    }

    FormatSettingsScope m_format;
    DataFixture m_data { GetParam() };
    std::unique_ptr<TDMR> m_dmr, m_other;
};

TEST_P(RegisterImportStore, EveryLayoutStoresItsDocumentsAndPaymentsAndListsEveryUnknownAccount)
{
    QTemporaryDir dir;
    struct Read
    {
        QString name;
        TPaymentRegister reg;
        std::vector<ExpectedDoc> docs;
        std::vector<ExpectedPayment> payments;
    };
    std::vector<Read> reads;
    for (const RegisterCase &c : textCases()) {
        Read r { QString::fromUtf8(c.name), {}, c.docs, c.payments };
        readCase(c, r.reg);
        reads.push_back(std::move(r));
    }
    for (const DbfCase &c : dbfCases()) {
        const QString path = dir.filePath(c.file);
        writeDbf(path, CodePage::CP866, c.fields, c.rows, c.deleted);
        Read r { QString::fromUtf8(c.name), {}, c.docs, c.payments };
        ReadDbfRegister(c.mode, TKyv_Dbf(path), Today, r.reg);
        reads.push_back(std::move(r));
    }
    const QSet<QString> unknown { QStringLiteral("102"), QStringLiteral("0502"), QStringLiteral("703") };
    for (Read &r : reads) {
        SCOPED_TRACE(r.name.toStdString());
        ResolveRegisterAccounts(*m_dmr, r.reg);
        QStringList expectedErrors;
        for (const TRegisterPayment &p : r.reg.payments) {
            if (unknown.contains(p.AccountNo)) {
                EXPECT_EQ(p.CustomerId, -1);
                EXPECT_TRUE(p.CustomerFIO.isEmpty());
                expectedErrors << QStringLiteral("Ошибка: Не найден клиент с Л/C:") + p.AccountNo;
            } else {
                EXPECT_GT(p.CustomerId, 0) << p.AccountNo.toStdString();
                EXPECT_EQ(p.CustomerFIO, QStringLiteral("Абонент%1 А.Б.").arg(p.CustomerId));
            }
            if (p.AccountNo == QStringLiteral("302")) {
                EXPECT_EQ(p.CustomerId, 7) << "the later of two customers with one account";
            }
        }
        EXPECT_EQ(r.reg.errors, expectedErrors);

        const int docsBefore = count("PAY_DOC"), paymentsBefore = count("PAYMENT");
        const TRegisterStoreResult result = StoreRegister(*m_dmr, r.reg, false, Today, AccDate);
        ASSERT_TRUE(result.checked) << result.problems.join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(result.problems.isEmpty());
        EXPECT_EQ(count("PAY_DOC") - docsBefore, int(r.docs.size()));
        int known = 0;
        double knownSum = 0;
        for (const ExpectedPayment &p : r.payments)
            if (!unknown.contains(p.account)) {
                ++known;
                knownSum += p.sum;
            }
        EXPECT_EQ(count("PAYMENT") - paymentsBefore, known);
        EXPECT_EQ(result.storedPayments, known);
        EXPECT_EQ(result.skippedPayments, int(r.payments.size()) - known);
        EXPECT_NEAR(result.storedSum, knownSum, 1e-9);
        // The stored rows carry the document's and payments' values.
        const ExpectedDoc &last = r.docs.back();
        const QVariant docId = seen(QStringLiteral("select max(PAY_DOC_ID) from ZOLT.PAY_DOC"));
        EXPECT_NEAR(
            seen(QStringLiteral("select PAY_DOC_SUM from ZOLT.PAY_DOC where PAY_DOC_ID = %1").arg(docId.toInt()))
                .toDouble(),
            last.sum, 1e-9);
        EXPECT_EQ(seen(QStringLiteral("select PAY_DOC_NO from ZOLT.PAY_DOC where PAY_DOC_ID = %1").arg(docId.toInt()))
                      .toString(),
            last.no);
        EXPECT_EQ(seen(QStringLiteral("select PAYSOURCE_ID from ZOLT.PAY_DOC where PAY_DOC_ID = %1").arg(docId.toInt()))
                      .toInt(),
            last.source);
        for (const ExpectedPayment &p : r.payments) {
            if (unknown.contains(p.account) || p.doc != int(r.docs.size()) - 1)
                continue;
            const QVariant stored = seen(
                QStringLiteral("select P.PAY_SUM from ZOLT.PAYMENT P join ZOLT.CUSTOMER C on C.CUSTOMER_ID = "
                               "P.CUSTOMER_ID where P.PAY_DOC_ID = %1 and C.ACCOUNT_NO = '%2' and P.SERV_ID = -1")
                    .arg(docId.toInt())
                    .arg(p.account));
            EXPECT_NEAR(stored.toDouble(), p.sum, 1e-9) << p.account.toStdString();
        }
    }
    // Every paying customer stands in the recalculation queue, none twice for one register.
    EXPECT_GT(count("INVALIDCUSTDEBT"), 0);
    EXPECT_EQ(seen(QStringLiteral("select count(*) from ZOLT.INVALIDCUSTDEBT where CUSTOMER_ID = 2")).toInt(), 1)
        << "customer 2 (account 103) paid once";
}

TEST_P(RegisterImportStore, AQueuedCustomerIsRecalculatedFromItsEarliestPaymentNeverAfterTheOpenMonth)
{
    TPaymentRegister reg;
    ReadTextRegister(
        59, { "101|5|10.11.25", "101|5|10.12.25", "103|1|20.02.26", "-" }, QStringLiteral("q.txt"), 1, Today, reg);
    ResolveRegisterAccounts(*m_dmr, reg);
    ASSERT_TRUE(StoreRegister(*m_dmr, reg, false, Today, AccDate).checked);
    EXPECT_EQ(seen(QStringLiteral("select count(*) from ZOLT.INVALIDCUSTDEBT where CUSTOMER_ID = 1")).toInt(), 1);
    EXPECT_EQ(seen(QStringLiteral("select DATE_FROM from ZOLT.INVALIDCUSTDEBT where CUSTOMER_ID = 1")).toDate(),
        QDate(2025, 11, 1));
    EXPECT_EQ(
        seen(QStringLiteral("select DATE_FROM from ZOLT.INVALIDCUSTDEBT where CUSTOMER_ID = 2")).toDate(), AccDate);
}

TEST_P(RegisterImportStore, WithoutAnOpenMonthTheQueueStartsAtThePaymentsMonth)
{
    TPaymentRegister reg;
    ReadTextRegister(59, { "101|5|10.11.25", "-" }, QStringLiteral("q.txt"), 1, Today, reg);
    ResolveRegisterAccounts(*m_dmr, reg);
    const TRegisterStoreResult result = StoreRegister(*m_dmr, reg, false, Today, QDate());
    ASSERT_EQ(result.storedPayments, 1) << result.problems.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(seen(QStringLiteral("select DATE_FROM from ZOLT.INVALIDCUSTDEBT where CUSTOMER_ID = 1")).toDate(),
        QDate(2025, 11, 1));
}

TEST_P(RegisterImportStore, ManyAccountsAreMatchedAsFewAre)
{
    // Past the number of accounts a query names, the register reads the operator's accounts instead.
    QStringList lines;
    for (int i = 0; i < 700; ++i)
        lines << (i % 2 ? QStringLiteral("%1|1|15.01.26").arg(10000 + i) : QStringLiteral("0302|2|15.01.26"));
    lines << QStringLiteral("-");
    TPaymentRegister reg;
    ReadTextRegister(59, lines, QStringLiteral("many.txt"), 1, Today, reg);
    ResolveRegisterAccounts(*m_dmr, reg);
    EXPECT_EQ(reg.errors.size(), 350);
    for (int i = 0; i < 700; ++i) {
        SCOPED_TRACE(i);
        // Every line of the twice-held account gets the later customer, whatever the order rows come in.
        EXPECT_EQ(reg.payments[i].CustomerId, i % 2 ? -1 : 7);
        EXPECT_EQ(reg.payments[i].CustomerFIO, i % 2 ? QString() : QStringLiteral("Абонент7 А.Б."));
    }
}

TEST_P(RegisterImportStore, ABadDateOrSumAnywhereStoresNothingAtAll)
{
    TPaymentRegister reg;
    ReadTextRegister(0,
        { "*;1;01/02/2026;1;10;0", "101;01.26;10;0;0102", "*;2;02/02/2026;1;5;0", "103;01.26;5;0;3202" },
        QStringLiteral("bad.txt"), 1, Today, reg);
    ResolveRegisterAccounts(*m_dmr, reg);
    const TRegisterStoreResult result = StoreRegister(*m_dmr, reg, false, Today, AccDate);
    EXPECT_FALSE(result.checked);
    ASSERT_EQ(result.problems.size(), 1);
    EXPECT_TRUE(result.problems[0].contains(QStringLiteral("32/02/2026"))) << result.problems[0].toStdString();
    EXPECT_EQ(count("PAY_DOC"), 0) << "not even the first, good document";
    EXPECT_EQ(count("PAYMENT"), 0);
    EXPECT_EQ(count("INVALIDCUSTDEBT"), 0);
}

TEST_P(RegisterImportStore, ADocumentThatFailsMidwayIsNamedAndLeavesNothingOfItself)
{
    refusePaymentsOf(13.13);
    if (HasFatalFailure())
        return;
    TPaymentRegister reg;
    ReadTextRegister(0,
        { "*;11;01/01/2026;1;10;0", "101;01.26;10;0;0501", "*;12;02/01/2026;2;20.13;0", "201;01.26;7;0;0601",
            "202;01.26;13.13;0;0701", "*;13;03/01/2026;1;3;0", "301;01.26;3;0;0801" },
        QStringLiteral("fail.txt"), 1, Today, reg);
    ResolveRegisterAccounts(*m_dmr, reg);
    const TRegisterStoreResult result = StoreRegister(*m_dmr, reg, false, Today, AccDate);
    EXPECT_TRUE(result.checked);
    ASSERT_EQ(result.problems.size(), 1);
    EXPECT_TRUE(result.problems[0].contains(QStringLiteral("№ 12 от 02/01/2026"))) << result.problems[0].toStdString();
    EXPECT_TRUE(RegisterStoreSummary(result).contains(result.problems[0]));
    EXPECT_EQ(result.storedDocs, 2);
    EXPECT_EQ(seen(QStringLiteral("select count(*) from ZOLT.PAY_DOC where PAY_DOC_NO = '12'")).toInt(), 0);
    EXPECT_EQ(count("PAY_DOC"), 2);
    EXPECT_EQ(count("PAYMENT"), 2) << "the first and the third document's";
    EXPECT_EQ(seen(QStringLiteral("select count(*) from ZOLT.INVALIDCUSTDEBT where CUSTOMER_ID in (3, 4)")).toInt(), 0)
        << "the failed document's customers are not queued";
    EXPECT_FALSE(m_dmr->dbConnection()->InTransaction());
}

TEST_P(RegisterImportStore, AOneDocumentRegisterThatFailsStoresNothing)
{
    refusePaymentsOf(13.13);
    if (HasFatalFailure())
        return;
    TPaymentRegister reg;
    ReadEripRegister({ "1^S^H^D^3^^^^^9^20260115103000^^20,13^^^^^", "1^^101^^^^7^^^20260114120000^^^^^^^^^^",
                         "2^^103^^^^13,13^^^20260114120000^^^^^^^^^^" },
        QStringLiteral("one.210"), 1, reg);
    ResolveRegisterAccounts(*m_dmr, reg);
    const TRegisterStoreResult result = StoreRegister(*m_dmr, reg, true, Today, AccDate);
    EXPECT_EQ(result.storedDocs, 0);
    EXPECT_EQ(count("PAY_DOC"), 0);
    EXPECT_EQ(count("PAYMENT"), 0);
    EXPECT_EQ(count("INVALIDCUSTDEBT"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    RegisterImport, RegisterImportStore, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);

// The window over a database, driven as the user drives it.
class ExternalPaymentsWindow : public RegisterImportStore
{
protected:
    void SetUp() override
    {
        RegisterImportStore::SetUp();
        if (HasFatalFailure())
            return;
        TRegistry::useTemporaryStorage();
        m_dm = std::make_unique<TDM>(m_dmr.get());
        ASSERT_TRUE(m_dm->CreateDefaultMainCFG());
        DMR = m_dmr.get();
        DM = m_dm.get();
        RegisterExternalPaymentsForms();
        AppSettings().importPaymentsMode = 59;
        AppSettings().exportMode = 0;
    }
    void TearDown() override
    {
        for (QWidget *child : m_scope.main()->ChildForms())
            delete child;
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        DM = nullptr;
        DMR = nullptr;
    }

    TfrmExternalPayments *open()
    {
        // The menu was last updated before the fixture logged on.
        m_scope.main()->UpdateMenu();
        QAction *action = m_scope.main()->findChild<QAction *>(QStringLiteral("actImportPayments"));
        EXPECT_TRUE(action && action->isEnabled());
        if (!action)
            return nullptr;
        action->trigger();
        return m_scope.main()->findChild<TfrmExternalPayments *>();
    }

    QString writeFile(const QString &name, const QStringList &lines)
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(textBytes(lines));
        return path;
    }

    tarvik::test::MainWindowScope m_scope;
    std::unique_ptr<TDM> m_dm;
    QTemporaryDir m_dir;
    FakeMessageService m_messages;
    FakeDialogService m_dialogs;
};

TEST_P(ExternalPaymentsWindow, StoringAskedWithoutALoadedRegisterSaysToLoadOne)
{
    TfrmExternalPayments *form = open();
    ASSERT_NE(form, nullptr);
    form->actAddPayments->trigger();
    EXPECT_EQ(m_messages.lastText(), QStringLiteral("Предварительно надо загрузить платежи из файла"));
}

TEST_P(ExternalPaymentsWindow, ASecondStoreIsAskedAndRefusedByDefault)
{
    TfrmExternalPayments *form = open();
    ASSERT_NE(form, nullptr);
    m_dialogs.answerOpen(writeFile(QStringLiteral("r59.txt"), { "101|10|15.01.26", "999|4|15.01.26", "-" }));
    form->actLoadFromFile->trigger();
    EXPECT_EQ(form->cdsPayment->RecordCount(), 2);
    EXPECT_EQ(form->memErrors->toPlainText(), QStringLiteral("Ошибка: Не найден клиент с Л/C:999"));

    form->actAddPayments->trigger();
    EXPECT_EQ(count("PAYMENT"), 1);
    EXPECT_TRUE(m_messages.lastText().startsWith(QStringLiteral("Обработан "))) << m_messages.lastText().toStdString();
    EXPECT_TRUE(m_messages.lastText().contains(QStringLiteral(" Файл r59.txt (импорт)")));
    EXPECT_TRUE(m_messages.lastText().contains(QStringLiteral("Пропущено платежей: 1")));

    m_messages.answer(mrNo);
    form->actAddPayments->trigger();
    ASSERT_EQ(m_messages.requests.last().buttons, mbYesNo);
    EXPECT_EQ(m_messages.requests.last().defaultButton, mbNo);
    EXPECT_EQ(count("PAYMENT"), 1) << "refused";
    m_messages.answer(mrYes);
    form->actAddPayments->trigger();
    EXPECT_EQ(count("PAYMENT"), 2) << "stored again when the user insists";
}

TEST_P(ExternalPaymentsWindow, AMalformedLineNamesTheFileShowsWhatWasReadAndIsNotStored)
{
    TfrmExternalPayments *form = open();
    ASSERT_NE(form, nullptr);
    m_dialogs.answerOpen(writeFile(QStringLiteral("bad59.txt"), { "101|10|15.01.26", "103|x|15.01.26", "-" }));
    form->actLoadFromFile->trigger();
    EXPECT_TRUE(m_messages.lastText().contains(QStringLiteral("Строка 2")));
    EXPECT_TRUE(m_messages.lastText().endsWith(QStringLiteral("\rНе удается открыть файл \"bad59.txt\".")))
        << m_messages.lastText().toStdString();
    EXPECT_EQ(form->cdsPayment->RecordCount(), 1) << "the rows read so far stay";
    form->actAddPayments->trigger();
    EXPECT_TRUE(m_messages.lastText().contains(QStringLiteral("прочитан не полностью")));
    EXPECT_EQ(count("PAYMENT"), 0);
    EXPECT_EQ(count("PAY_DOC"), 0);
}

TEST_P(ExternalPaymentsWindow, EripFilesAreChosenFromTheirFolderWhichIsRemembered)
{
    AppSettings().exportMode = 2;
    AppSettings().Erip210DocPath = QStringLiteral("/eripin/");
    TfrmExternalPayments *form = open();
    ASSERT_NE(form, nullptr);
    const RegisterCase c = textCases().back();
    QFile f(m_dir.filePath(QStringLiteral("r.210")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(textBytes(c.lines));
    f.close();
    m_dialogs.answerOpen(f.fileName());
    form->actLoadFromFile->trigger();
    ASSERT_EQ(m_dialogs.fileRequests.size(), 1);
    EXPECT_EQ(m_dialogs.fileRequests[0].initialDir, QStringLiteral("/eripin/"));
    EXPECT_EQ(m_dialogs.fileRequests[0].defaultExt, QStringLiteral("210"));
    EXPECT_EQ(QDir(AppSettings().Erip210DocPath), QDir(m_dir.path()));
    EXPECT_EQ(form->cdsPayDoc->RecordCount(), 1);
    form->actAddPayments->trigger();
    EXPECT_EQ(seen(QStringLiteral("select NOTICE from ZOLT.PAY_DOC")).toString(),
        QStringLiteral("Обработан %1 Файл r.210 от 15.01.2026 отпр. SENDER1")
            .arg(Services::clock()->today().toString(QStringLiteral("dd/MM/yyyy"))));
    EXPECT_EQ(count("PAYMENT"), 2) << "account 703 is nobody's";
}

TEST_P(ExternalPaymentsWindow, ATableIsChosenFromThePostFolderAndReadByTheSetLayout)
{
    m_dmr->dbConnection()->Execute(QStringLiteral("update ZOLT.COMPANY set POST_PATH_IN = '/postin/'"));
    AppSettings().importPaymentsMode = 64;
    TfrmExternalPayments *form = open();
    ASSERT_NE(form, nullptr);
    const DbfCase c = dbfCases()[2];
    const QString path = m_dir.filePath(c.file);
    writeDbf(path, CodePage::CP1251, c.fields, c.rows, c.deleted);
    m_dialogs.answerOpen(path);
    form->actLoadFromDBF->trigger();
    ASSERT_EQ(m_dialogs.fileRequests.size(), 1);
    EXPECT_EQ(m_dialogs.fileRequests[0].initialDir, QStringLiteral("/postin/"));
    EXPECT_EQ(m_dialogs.fileRequests[0].defaultExt, QStringLiteral("dbf"));
    EXPECT_EQ(form->cdsPayment->RecordCount(), 2);
    EXPECT_EQ(form->cdsPayment->FieldByName(QStringLiteral("PaymentId"))->AsInteger(), 1) << "the next free number";
    form->actAddPayments->trigger();
    EXPECT_EQ(count("PAYMENT"), 2);
    EXPECT_EQ(seen(QStringLiteral("select PAYSOURCE_ID from ZOLT.PAY_DOC")).toInt(), 1);
    EXPECT_TRUE(seen(QStringLiteral("select NOTICE from ZOLT.PAY_DOC")).toString().contains(path))
        << "a table is named by its full path";
}

TEST_P(ExternalPaymentsWindow, TheWindowKeepsItsPlacementInTheRegistry)
{
    TfrmExternalPayments *form = open();
    ASSERT_NE(form, nullptr);
    form->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(QStringLiteral("\\Software\\Velmora\\tarvik\\Settings\\frmExternalPayments")));
    EXPECT_GT(reg.ReadInteger(QStringLiteral("Width")), 0);
}

TEST_P(ExternalPaymentsWindow, Screenshot)
{
    FakeClock clock(QDateTime(QDate(2026, 1, 20), QTime(10, 0)));
    TfrmExternalPayments *form = open();
    ASSERT_NE(form, nullptr);
    m_dialogs.answerOpen(writeFile(QStringLiteral("r59.txt"),
        { "101|10,00|15.01.26", "201|25,50|15.01.26", "999|4|16.01.26", "302|7|16.01.26", "-" }));
    form->actLoadFromFile->trigger();
    form->setParent(nullptr);
    form->setWindowState(Qt::WindowNoState);
    if (GetParam() == TestEngine::SQLite)
        tarvik::test::SaveScreenshot(form, QStringLiteral("accounts-external-payments"), QSize(820, 420));
}

INSTANTIATE_TEST_SUITE_P(ExternalPayments, ExternalPaymentsWindow,
    ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);

// A store cut short (the program killed, the connection lost) leaves the documents stored before it; loading the
// file again after a restart recognises them and stores only the rest.
class HardeningRegisterStore : public ExternalPaymentsWindow
{
protected:
    // Every statement fails from the document after the first `docs` on: what a kill after them leaves behind.
    void failAfterDocuments(int docs)
    {
        TADOConnection &c = *m_dmr->dbConnection();
        c.OnWillExecute = [previous = c.OnWillExecute, docs, written = 0, lost = false](
                              TADOConnection &conn, const TExecuteInfo &info) mutable {
            if (previous)
                previous(conn, info);
            if (info.CommandText.startsWith(QStringLiteral("insert into ZOLT.PAY_DOC ")) && ++written > docs)
                lost = true;
            if (lost)
                throw EDatabaseError(QStringLiteral("connection lost"));
        };
    }
    // "document: account sum" of every stored payment, in order, one a line.
    std::string stored() const
    {
        QSqlQuery q = m_other->dbConnection()->OpenQuery(
            QStringLiteral("select D.PAY_DOC_NO, C.ACCOUNT_NO, P.PAY_SUM from ZOLT.PAYMENT P "
                           "join ZOLT.PAY_DOC D on D.PAY_DOC_ID = P.PAY_DOC_ID "
                           "join ZOLT.CUSTOMER C on C.CUSTOMER_ID = P.CUSTOMER_ID order by 1, 2, 3"));
        QStringList rows;
        while (q.next())
            rows << q.value(0).toString() + QStringLiteral(": ") + q.value(1).toString() + QLatin1Char(' ')
                    + QString::number(q.value(2).toDouble());
        return rows.join(QLatin1Char('\n')).toStdString();
    }
};

TEST_P(HardeningRegisterStore, APartlyStoredFileIsRecognisedAndOnlyTheRestIsStored)
{
    AppSettings().importPaymentsMode = 0;
    const QString path = writeFile(QStringLiteral("day.txt"),
        { "*;1;10/01/2026;1;10;0", "101;01.26;10;0;1001", "*;2;11/01/2026;2;12;0", "103;01.26;5;0;1101",
            "201;01.26;7;0;1101", "*;3;12/01/2026;1;3;0", "202;01.26;3;0;1201", "*;4;13/01/2026;2;9;0",
            "301;01.26;4;0;1301", "0502;01.26;5;0;1301" });
    const std::string firstTwo = "1: 101 10\n2: 103 5\n2: 201 7", whole = firstTwo + "\n3: 202 3\n4: 301 4";

    TfrmExternalPayments *form = open();
    ASSERT_NE(form, nullptr);
    m_dialogs.answerOpen(path);
    form->actLoadFromFile->trigger();
    ASSERT_EQ(form->cdsPayDoc->RecordCount(), 4);
    const auto hook = m_dmr->dbConnection()->OnWillExecute;
    failAfterDocuments(2);
    form->actAddPayments->trigger();
    m_dmr->dbConnection()->OnWillExecute = hook;
    ASSERT_EQ(stored(), firstTwo) << "the first two documents, each whole";
    form->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // After the restart: the same file, loaded afresh.
    form = open();
    ASSERT_NE(form, nullptr);
    m_dialogs.answerOpen(path);
    form->actLoadFromFile->trigger();
    m_messages.requests.clear();
    m_messages.answer(mrNo);
    form->actAddPayments->trigger();
    ASSERT_EQ(m_messages.requests.size(), 1);
    EXPECT_EQ(m_messages.requests[0].buttons, mbYesNo);
    EXPECT_EQ(m_messages.requests[0].text.toStdString(),
        std::string("Платежи из файла \"day.txt\" добавлены в базу не полностью: сохранено документов 2 из 4. "
                    "Добавить остальные документы?"));
    EXPECT_EQ(stored(), firstTwo) << "refused";

    m_messages.answer(mrYes);
    form->actAddPayments->trigger();
    EXPECT_EQ(stored(), whole) << "each payment exactly once";
    EXPECT_TRUE(m_messages.lastText().contains(QStringLiteral("Сохранено документов: 2, платежей: 2 на сумму 7.00")))
        << m_messages.lastText().toStdString();

    // Now whole, it is a file stored before: asked, No by default.
    m_messages.requests.clear();
    m_messages.answer(mrNo);
    form->actAddPayments->trigger();
    ASSERT_EQ(m_messages.requests.size(), 1);
    EXPECT_TRUE(m_messages.requests[0].text.contains(QStringLiteral("уже добавлены")));
    EXPECT_EQ(m_messages.requests[0].defaultButton, mbNo);
    EXPECT_EQ(stored(), whole);
}

INSTANTIATE_TEST_SUITE_P(
    Hardening, HardeningRegisterStore, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);

} // namespace
