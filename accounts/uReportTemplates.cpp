#include "uReportTemplates.h"

#include "FR_Class.h"
#include "FR_Prntr.h"

#include <QDir>

#include <algorithm>

namespace {

using C = TTemplateColumn;

const QString Period = QStringLiteral("frmemoPeriod");

QList<C> connectionColumns()
{
    return { { "ACCOUNT_NO", "Л/С", 8 }, { "FIO", "Ф.И.О.", 22 }, { "ADRESS", "Адрес", 30 },
        { "DATE_FROM", "Подключен", 10 }, { "SERV_DESCR", "Услуга", 22 }, { "TARIF_SUM", "Тариф", 8 },
        { "L_SUM", "Начислено", 9 } };
}

QList<C> disconnectionColumns()
{
    return { { "C_ACCOUNT_NO", "Л/С", 8 }, { "FULLNAME", "Ф.И.О.", 22 }, { "CUSTADRESS", "Адрес", 30 },
        { "DATE_TO", "Отключен", 10 }, { "DESCR", "Вид отключения", 30 }, { "L_SUM", "Начислено", 9 } };
}

QList<C> customerDocumentColumns()
{
    return { { "SURNAME", "Фамилия", 16 }, { "FIRSTNAME", "Имя", 12 }, { "MIDLENAME", "Отчество", 14 },
        { "HOUSE_INFO", "Адрес", 30 }, { "CONTRACT_NO", "Договор", 10 }, { "CONTRACT_DATE", "от", 10 },
        { "PASP_NO", "Паспорт", 12 }, { "PASP_DATE", "выдан", 10 }, { "PASP_ORG", "кем", 20 } };
}

QList<C> customerListColumns()
{
    return { { "ACCOUNT_NO", "Л/С", 8 }, { "CUST_CODE", "Код", 10 }, { "SURNAME", "Фамилия", 16 },
        { "INITIALS", "Иниц.", 5 }, { "RO_STREET_NAME", "Улица", 18 }, { "RO_HOUSE_NO", "Дом", 6 },
        { "FLAT_NO", "Кв.", 5 }, { "CUST_STATE_DESCR", "Состояние", 14 }, { "DEBT_SUM", "Долг", 10 } };
}

QList<C> ticketColumns(bool withStatus)
{
    QList<C> columns = { { "TICKET_NO", "№", 6 }, { "TICKET_DATE", "Дата", 10 }, { "PLAN_DATE", "План", 10 },
        { "PLAN_TIME_START", "с", 5 }, { "PLAN_TIME_END", "по", 5 }, { "ACCOUNT_NO", "Л/С", 8 },
        { "FIO", "Ф.И.О.", 18 }, { "RO_ADDRESS", "Адрес", 26 }, { "PHONE_NO", "Телефон", 12 },
        { "RO_TEAM_NAME", "Бригада", 14 }, { "NOTICE", "Описание", 24 } };
    if (withStatus)
        columns.insert(2, { "TICKET_STATUS", "Статус", 12 });
    return columns;
}

TPlainTemplate make(const char *file, const char *source, const char *title, QStringList periodTexts, QList<C> columns,
    QStringList sums, bool countRows = true)
{
    return { QString::fromUtf8(file), QString::fromUtf8(source), QString::fromUtf8(title), std::move(periodTexts), {},
        std::move(columns), std::move(sums), countRows };
}

// The customer's statement: whose it is under the title, and the group captions and the lines' texts (a
// service's name with its period and discount runs long) wrapped within their columns, clear of the sums.
TPlainTemplate customerBalance()
{
    TPlainTemplate t = make("CustomerBalance.frf", "frDBDataSetmdsBalanceReport", "Баланс клиента", {},
        { { "Group_Descr", "Период", 24, true }, { "IN_DESCR", "Поступления", 30, true }, { "IN_SUM", "Сумма", 10 },
            { "OUT_DESCR", "Начисления", 30, true }, { "OUT_SUM", "Сумма", 10 } },
        { QStringLiteral("IN_SUM"), QStringLiteral("OUT_SUM") }, false);
    t.headings = { QStringLiteral("Абонент: [odsBalanceCustomer.\"FIO\"]   Л/С: [odsBalanceCustomer.\"ACCOUNT_NO\"]") };
    return t;
}

QList<TPlainTemplate> makeTemplates()
{
    const QStringList connectionSums = { QStringLiteral("TARIF_SUM"), QStringLiteral("L_SUM") };
    QList<TPlainTemplate> list = {
        // The statistical reports.
        make("NewConnectUsers.frf", "frDBDataSetcdsRepNewActivCustomers", "Вновь подключенные абоненты", { Period },
            connectionColumns(), connectionSums),
        make("NewConnectUsersPerMonth.frf", "frDBDataSetcdsRepNewActivCustomers",
            "Вновь подключенные абоненты за месяц", { Period }, connectionColumns(), connectionSums),
        make("NextTimeConnected.frf", "frDBDataSetcdsRepNewActivCustomers", "Повторно подключенные абоненты",
            { Period }, connectionColumns(), connectionSums),
        make("NextTimeConnectedPerMonth.frf", "frDBDataSetcdsRepNewActivCustomers",
            "Повторно подключенные абоненты за месяц", { Period }, connectionColumns(), connectionSums),
        make("DisactByPeriodCustomers.frf", "frDBDataSetcdsDisactByPeriodCustomers", "Отключавшиеся абоненты",
            { Period }, disconnectionColumns(), { QStringLiteral("L_SUM") }),
        make("DisactByMonthCustomers.frf", "frDBDataSetcdsDisactByPeriodCustomers", "Отключавшиеся абоненты за месяц",
            { Period }, disconnectionColumns(), { QStringLiteral("L_SUM") }),
        make("СтатОтчетЗаПериод.frf", "frDBDataSetcdsRepMainState", "Текущее состояние",
            { QStringLiteral("frmemoPeriodFrom"), QStringLiteral("frmemoPeriodTo") },
            { { "Q_1", "На начало", 12 }, { "Q_2", "На конец", 12 }, { "Q_3", "В среднем", 12 } }, {}, false),
        // The customer's documents.
        make("PayDocKO1.frf", "frDBDataSetodsPayDocPaymentKO1", "Приходный кассовый ордер", {},
            { { "PAY_DOC_NO", "№ док.", 8 }, { "PAY_DATE", "Дата", 10 }, { "C_SKT_ACCOUNT_NO", "Счет", 12 },
                { "CUST_DESCR", "Плательщик", 26 }, { "HOUSE_INFO", "Адрес", 26 }, { "PAY_SUM", "Сумма", 10 },
                { "C_SUM_LINE", "Сумма прописью", 50 } },
            {}, false),
        make("Contract.frf", "frDBDataSetodsContract", "Договор", {}, customerDocumentColumns(), {}, false),
        make("Request.frf", "frDBDataSetodsContract", "Заказ", {}, customerDocumentColumns(), {}, false),
        make("Receipt.frf", "frDBDataSetodsReceipt", "Квитанция", {}, customerDocumentColumns(), {}, false),
        make("PayKvit.frf", "frDBDataSetcdsCustomer", "Квитанция на оплату", {},
            { { "C_SKT_ACCOUNT_NO", "Счет", 12 }, { "SURNAME", "Фамилия", 16 }, { "INITIALS", "Иниц.", 5 },
                { "RO_STREET_NAME", "Улица", 18 }, { "RO_HOUSE_NO", "Дом", 6 }, { "FLAT_NO", "Кв.", 5 },
                { "DEBT_SUM", "К оплате", 10 } },
            { QStringLiteral("DEBT_SUM") }),
        customerBalance(),
        make("ВыборкаПоКлиентам.frf", "frDBDataSetcdsCustomer", "Выборка по клиентам", {}, customerListColumns(),
            { QStringLiteral("DEBT_SUM") }),
        // Payments.
        make("PaymentsByServ.frf", "frDBDataSetcdsReportPaymentsByServ", "Платежи по виду платежа", { Period },
            { { "PAY_DOC_NO", "№ док.", 8 }, { "PAY_DOC_DATE", "Дата док.", 10 }, { "CUST_DESCR", "Плательщик", 30 },
                { "PAY_DATE", "Дата", 10 }, { "PAY_SUM", "Сумма", 10 } },
            { QStringLiteral("PAY_SUM") }),
        make("PayDocuments.frf", "frDBDataSetcdsPayDoc", "Платежные документы", { Period },
            { { "PAY_DOC_NO", "№ док.", 8 }, { "PAY_DOC_DATE", "Дата", 10 }, { "L_PAYSOURCE", "Источник платежа", 20 },
                { "PAY_DOC_SUM", "Сумма", 10 }, { "C_SUM_LEAK_TAX", "Ком. сбор с НДС", 10 },
                { "C_SUM_TAX", "Сумма НДС", 10 }, { "C_SUM_LEAK", "Ком. сбор без НДС", 10 },
                { "SUM_DIFFERENCE", "Разница сумм", 10 }, { "NOTICE", "Примечание", 20 } },
            { QStringLiteral("PAY_DOC_SUM"), QStringLiteral("C_SUM_LEAK_TAX"), QStringLiteral("C_SUM_TAX"),
                QStringLiteral("C_SUM_LEAK"), QStringLiteral("SUM_DIFFERENCE") }),
        make("PayDocPayment.frf", "frDBDataSetcdsPayDocPayment", "Платежи документа", {},
            { { "CUST_DESCR", "Плательщик", 26 }, { "HOUSE_INFO", "Адрес", 26 }, { "PAY_DATE", "Дата", 10 },
                { "PAY_SUM", "Сумма", 10 }, { "SERV_DESCR", "Вид платежа", 18 }, { "PAYMENT_ID", "№ платежки", 10 },
                { "NOTICE", "Примечание", 16 } },
            { QStringLiteral("PAY_SUM") }),
        make("ВыборкаПоПлатежамЗаПериод.frf", "frDBDataSetcdsCustPayments", "Платежи за период", { Period },
            { { "PAY_DATE", "Дата", 10 }, { "ACCOUNT_NO", "Лиц. счет", 8 }, { "FIO", "Ф И О", 22 },
                { "PAY_SUM", "Сумма", 10 }, { "PAY_DOC_NO", "№ док", 8 }, { "PAY_DOC_DATE", "Дата док", 10 },
                { "PAYSOURCE_DESCR", "Источник", 18 }, { "SERV_DESCR", "Цель платежа", 18 } },
            { QStringLiteral("PAY_SUM") }),
        // Address guides.
        make("СтатистикаПоДомам.frf", "frDBDataSetcdsHouse", "Статистика по домам", {},
            { { "RO_LOCATION_NAME", "Нас. пункт", 16 }, { "RO_SREET_NAME", "Улица", 20 },
                { "RO_HOUSE_NO", "№ дома", 6 }, { "Q_FLAT", "Кол-во квартир", 8 },
                { "L_Q_ACT_CUST", "Кол-во подкл.", 8 }, { "C_Q_INACTIVE_CUST", "Кол-во откл.", 8 },
                { "C_PERCENT", "% подкл.", 8 }, { "RO_SUBAREA_NAME", "Участок", 14 } },
            { QStringLiteral("Q_FLAT"), QStringLiteral("L_Q_ACT_CUST"), QStringLiteral("C_Q_INACTIVE_CUST") }),
        // Service tickets.
        make("Tickets.frf", "frDBDataSetodsTickets", "Заявки", { Period }, ticketColumns(true), {}),
        make("Ticket.frf", "frDBDataSetTicket", "Наряд-заявка", { Period }, ticketColumns(false), {}, false),
    };
    // The debt letters, one template per letter type.
    const char *letters[]
        = { "Справка по задолженности", "Первичное уведомление", "Вторичное уведомление", "Исковое заявление" };
    for (int type = 0; type < 4; ++type)
        list << make(QStringLiteral("CustLetters%1.frf").arg(type).toUtf8().constData(), "frDBDataSetcdsCustomer",
            letters[type], {},
            { { "ACCOUNT_NO", "Л/С", 8 }, { "SURNAME", "Фамилия", 16 }, { "FIRSTNAME", "Имя", 12 },
                { "MIDLENAME", "Отчество", 14 }, { "RO_STREET_NAME", "Улица", 18 }, { "RO_HOUSE_NO", "Дом", 6 },
                { "FLAT_NO", "Кв.", 5 }, { "DEBT_SUM", "Долг", 10 } },
            { QStringLiteral("DEBT_SUM") });
    return list;
}

// Page pixels of one character of the templates' 10-point font, and of the gap around a text.
constexpr int CharWidth = 7;
constexpr int TextPadding = 6;
constexpr int LineHeight = 18;
constexpr int LeftEdge = 20;

// A column is as wide as its characters, or as its bold caption when that is wider.
int columnWidth(const TTemplateColumn &c)
{
    return std::max(c.chars, int(c.caption.size()) + 2) * CharWidth + TextPadding;
}

TfrMemoView *addMemo(TfrPage *page, const QString &name, int left, int top, int width, const QString &text,
    bool bold = false, int alignment = frtaLeft)
{
    auto *m = new TfrMemoView;
    m->Name = name;
    m->Left = left;
    m->Top = top;
    m->Width = width;
    m->Height = LineHeight;
    m->Flags = 0;
    m->Memo = QStringList { text };
    m->Font.Name = QStringLiteral("Arial");
    m->Font.Size = 10;
    m->Font.Style = bold ? 2 : 0;
    m->Alignment = alignment;
    page->AddObject(m);
    return m;
}

// Flag bits of the objects: a stretched band grows with its tallest stretched object, a word-wrapped text
// breaks its lines at the object's width.
constexpr quint16 StretchedFlag = 0x1;
constexpr quint16 WordWrapFlag = 0x2;

void addBand(TfrPage *page, int type, const QString &name, int top, int height, int width,
    const QString &source = QString(), quint16 flags = 0)
{
    auto *b = new TfrBandView;
    b->SetBandType(type);
    b->Name = name;
    b->Left = 0;
    b->Top = top;
    b->Width = width;
    b->Height = height;
    b->FormatText = source;
    b->Flags = flags;
    page->AddObject(b);
}

} // namespace

const QList<TPlainTemplate> &PlainTemplates()
{
    static const QList<TPlainTemplate> list = makeTemplates();
    return list;
}

const TPlainTemplate *FindPlainTemplate(const QString &fileName)
{
    for (const TPlainTemplate &t : PlainTemplates())
        if (t.fileName == fileName)
            return &t;
    return nullptr;
}

void WritePlainTemplate(const TPlainTemplate &spec, const QString &path)
{
    TfrReport report;
    TfrPage *page = report.Pages().GetPage(report.Pages().Add());
    page->Name = QStringLiteral("Page1");
    int width = LeftEdge * 2;
    for (const TTemplateColumn &c : spec.columns)
        width += columnWidth(c);
    // Lists wider than a portrait page are laid out across.
    if (width > 720)
        page->ApplyPaper(PaperA4, 0, 0, -1, 1);
    const int bandWidth = std::max(width, 720);

    // Title, period texts and headings.
    int top = 20;
    const int titleHeight = LineHeight * (1 + int(spec.periodTexts.size() + spec.headings.size())) + 8;
    addBand(page, btReportTitle, QStringLiteral("ReportTitle1"), top, titleHeight, bandWidth);
    addMemo(page, QStringLiteral("frmemoTitle"), LeftEdge, top, bandWidth - 2 * LeftEdge, spec.title, true, frtaCenter);
    int line = top + LineHeight;
    for (const QString &name : spec.periodTexts) {
        addMemo(page, name, LeftEdge, line, bandWidth - 2 * LeftEdge, QString(), false, frtaCenter);
        line += LineHeight;
    }
    for (qsizetype i = 0; i < spec.headings.size(); ++i) {
        addMemo(page, QStringLiteral("frmemoHeading%1").arg(i + 1), LeftEdge, line, bandWidth - 2 * LeftEdge,
            spec.headings[i]);
        line += LineHeight;
    }
    top += titleHeight + 10;

    // Column captions, then one data band of the dataset's fields.
    addBand(page, btMasterHeader, QStringLiteral("MasterHeader1"), top, LineHeight, bandWidth);
    int left = LeftEdge;
    for (const TTemplateColumn &c : spec.columns) {
        const int w = columnWidth(c);
        addMemo(page, QStringLiteral("Caption_") + c.field, left, top, w, c.caption, true);
        left += w;
    }
    top += LineHeight + 10;
    const bool wraps
        = std::any_of(spec.columns.begin(), spec.columns.end(), [](const TTemplateColumn &c) { return c.wrap; });
    addBand(page, btMasterData, QStringLiteral("MasterData1"), top, LineHeight, bandWidth, spec.source,
        wraps ? StretchedFlag : 0);
    left = LeftEdge;
    for (const TTemplateColumn &c : spec.columns) {
        const int w = columnWidth(c);
        TfrMemoView *m = addMemo(
            page, QStringLiteral("Field_") + c.field, left, top, w, QLatin1Char('[') + c.field + QLatin1Char(']'));
        if (c.wrap)
            m->Flags = StretchedFlag | WordWrapFlag;
        left += w;
    }
    top += LineHeight + 10;

    // Totals under their columns, the row count at the left.
    if (spec.sums.isEmpty() && !spec.countRows) {
        report.SaveReportFile(path);
        return;
    }
    const int summaryHeight = (spec.sums.isEmpty() ? 0 : LineHeight) + (spec.countRows ? LineHeight : 0);
    addBand(page, btReportSummary, QStringLiteral("ReportSummary1"), top, summaryHeight, bandWidth);
    left = LeftEdge;
    for (const TTemplateColumn &c : spec.columns) {
        const int w = columnWidth(c);
        if (spec.sums.contains(c.field))
            addMemo(page, QStringLiteral("Total_") + c.field, left, top, w,
                QStringLiteral("[SUM([") + c.field + QStringLiteral("])]"));
        left += w;
    }
    if (spec.countRows)
        addMemo(page, QStringLiteral("frmemoCount"), LeftEdge, top + summaryHeight - LineHeight, 200,
            QStringLiteral("Итого: [COUNT(MasterData1)]"));
    report.SaveReportFile(path);
}

int WritePlainTemplates(const QString &folder)
{
    QDir().mkpath(folder);
    int n = 0;
    for (const TPlainTemplate &t : PlainTemplates()) {
        WritePlainTemplate(t, QDir(folder).filePath(t.fileName));
        ++n;
    }
    return n;
}
