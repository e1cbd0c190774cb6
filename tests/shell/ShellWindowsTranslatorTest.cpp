// Interface translation: the translator on a small window, the main window's dictionaries at its first showing,
// the login dialog, the language choice and the shipped dictionaries.
#include "KyvIniFile.h"
#include "Kyv_Translator.h"
#include "FormClasses.h"
#include "Screenshot.h"
#include "StartupFixture.h"
#include "frmuTestSql.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGroupBox>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>

namespace {

void writeFile(const QString &fileName, const QString &text)
{
    QFile f(fileName);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text.toUtf8());
}

// A small designed window: a title, a button with a hint, a combo of items, tabs.
struct Form
{
    Form()
    {
        form.setObjectName(QStringLiteral("frmTest"));
        form.setWindowTitle(QStringLiteral("Customers"));
        button = new QPushButton(QStringLiteral("  Close  "), &form);
        button->setObjectName(QStringLiteral("btnClose"));
        button->setToolTip(QStringLiteral("Close the window"));
        combo = new QComboBox(&form);
        combo->setObjectName(QStringLiteral("cbMode"));
        combo->addItems({ QStringLiteral("Fact"), QStringLiteral("Prepaid") });
        tabs = new QTabWidget(&form);
        tabs->setObjectName(QStringLiteral("pcPages"));
        auto *page = new QWidget;
        page->setObjectName(QStringLiteral("tsMain"));
        tabs->addTab(page, QStringLiteral("Main"));
        unknown = new QLabel(QStringLiteral("Not in the dictionary"), page);
        unknown->setObjectName(QStringLiteral("lblUnknown"));
        named = new QLabel(QStringLiteral("Close"), &form);
        named->setObjectName(QStringLiteral("Customers"));
    }
    QWidget form;
    QPushButton *button;
    QComboBox *combo;
    QTabWidget *tabs;
    QLabel *unknown;
    QLabel *named;
};

class ShellWindowsTranslator : public ::testing::Test
{
protected:
    QString file(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

} // namespace

TEST_F(ShellWindowsTranslator, theDictionaryOfAWindowHoldsEveryDesignTextUnderItsPath)
{
    Form f;
    TKyv_Translator translator(&f.form);
    ASSERT_TRUE(translator.CreateDictionary(&f.form, file(QStringLiteral("base.ini"))));
    TKyvIniFile ini(file(QStringLiteral("base.ini")));
    ASSERT_TRUE(ini.Load());
    EXPECT_EQ(ini.Sections(), QStringList { QStringLiteral("frmTest") }) << "the owner's name is the section";
    const QStringList lines = ini.SectionLines(QStringLiteral("frmTest"));
    for (const char *line : { "frmTest.windowTitle=Customers", "btnClose.text=  Close  ",
             "btnClose.toolTip=Close the window", "cbMode.items=Fact", "cbMode.items=Prepaid", "pcPages.tabs=Main",
             "pcPages.tsMain.lblUnknown.text=Not in the dictionary", "Customers.text=Close" })
        EXPECT_TRUE(lines.contains(QString::fromUtf8(line))) << line;
    for (const QString &line : lines)
        EXPECT_FALSE(TKyvIniFile::KeyOf(line).endsWith(QLatin1String("objectName"))) << line.toStdString();
}

TEST_F(ShellWindowsTranslator, translatesByTheBaseKeyAndLeavesWhatItCannotTranslate)
{
    Form f;
    TKyv_Translator translator(&f.form);
    const QString base = file(QStringLiteral("base.ini"));
    ASSERT_TRUE(translator.CreateDictionary(&f.form, base));
    writeFile(file(QStringLiteral("ru.ini")),
        QStringLiteral("[frmTest]\r\nfrmTest.windowTitle=Абоненты\r\nbtnClose.text=Закрыть\r\n"
                       "cbMode.items=По факту\r\ncbMode.items=Предоплата\r\npcPages.tabs=Основные\r\n"
                       "btnClose.toolTip=Закрыть окно \\n сейчас\r\n"
                       "[frmTest.Strings]\r\n"));
    translator.SetDictionaryFileName(file(QStringLiteral("ru.ini")));
    translator.SetIgnoreList({ QStringLiteral("cbMode") });
    translator.TranslateForm(&f.form, true, base);
    EXPECT_EQ(f.form.windowTitle(), QStringLiteral("Абоненты"));
    EXPECT_EQ(f.button->text(), QStringLiteral("Закрыть")) << "the design text is trimmed before the look-up";
    EXPECT_EQ(f.button->toolTip(), QStringLiteral("Закрыть окно \\n сейчас")) << "no escapes in the form section";
    EXPECT_EQ(f.combo->itemText(0), QStringLiteral("Fact")) << "ignored";
    EXPECT_EQ(f.tabs->tabText(0), QStringLiteral("Основные"));
    EXPECT_EQ(f.unknown->text(), QStringLiteral("Not in the dictionary"));
    EXPECT_EQ(f.named->objectName(), QStringLiteral("Customers")) << "names are never translated";
    EXPECT_EQ(f.named->text(), QStringLiteral("Закрыть")) << "the same text, the same translation";

    Form g;
    TKyv_Translator items(&g.form);
    items.SetDictionaryFileName(file(QStringLiteral("ru.ini")));
    items.TranslateForm(&g.form, false, base);
    EXPECT_EQ(g.combo->itemText(0), QStringLiteral("По факту"));
    EXPECT_EQ(g.combo->itemText(1), QStringLiteral("Предоплата")) << "items pair by their place in the list";
}

TEST_F(ShellWindowsTranslator, trimmingIsAnOption)
{
    Form f;
    TKyv_Translator translator(&f.form);
    translator.SetOptions(0);
    const QString base = file(QStringLiteral("base.ini"));
    ASSERT_TRUE(translator.CreateDictionary(&f.form, base));
    writeFile(file(QStringLiteral("ru.ini")), QStringLiteral("[frmTest]\r\nbtnClose.text=Закрыть\r\n"));
    translator.SetDictionaryFileName(file(QStringLiteral("ru.ini")));
    translator.TranslateForm(&f.form, false, base);
    EXPECT_EQ(f.button->text(), QStringLiteral("Закрыть")) << "the untrimmed text is the base's own";
    EXPECT_EQ(translator.TranslateText(QStringLiteral(" Customers ")), QStringLiteral(" Customers "));
    translator.SetOptions(TKyv_Translator::lofTrimSpaces);
    EXPECT_EQ(translator.TranslateText(QStringLiteral(" Unknown ")), QStringLiteral("Unknown"));
}

TEST_F(ShellWindowsTranslator, aMissingEmptyOrForeignDictionaryLeavesTheDesignTexts)
{
    const QString base = file(QStringLiteral("base.ini"));
    {
        Form design;
        TKyv_Translator t(&design.form);
        ASSERT_TRUE(t.CreateDictionary(&design.form, base));
    }
    writeFile(file(QStringLiteral("empty.ini")), QString());
    writeFile(file(QStringLiteral("foreign.ini")),
        QStringLiteral("[frmOther]\r\nbtnClose.text=Закрыть\r\nnot a line at all\r\n=\r\n[broken"));
    for (const char *name : { "missing.ini", "empty.ini", "foreign.ini" }) {
        SCOPED_TRACE(name);
        Form f;
        TKyv_Translator translator(&f.form);
        translator.SetDictionaryFileName(file(QString::fromLatin1(name)));
        translator.TranslateForm(&f.form, true, base);
        EXPECT_EQ(f.form.windowTitle(), QStringLiteral("Customers"));
        EXPECT_EQ(f.button->text(), QStringLiteral("Close"));
        EXPECT_EQ(f.combo->itemText(1), QStringLiteral("Prepaid"));
        EXPECT_EQ(translator.GetString(QStringLiteral("connectCaption")), QStringLiteral("connectCaption"));
    }
    Form unset;
    TKyv_Translator none(&unset.form);
    none.TranslateForm(&unset.form, true, base);
    EXPECT_EQ(unset.button->text(), QStringLiteral("  Close  ")) << "without a dictionary nothing is touched";
}

TEST_F(ShellWindowsTranslator, messagesConvertEscapesAndAnswerTheirKeysWhenMissing)
{
    writeFile(file(QStringLiteral("ru.ini")),
        QStringLiteral("[Translation.Strings]\r\nrestart=Перезапустить?\\nДа\\tНет \\x41\\101\\\\\r\nempty=\r\n"
                       "[Translation]\r\n"));
    TKyv_Translator translator;
    EXPECT_EQ(translator.formSection(), QStringLiteral("Translation"));
    translator.SetDictionaryFileName(file(QStringLiteral("ru.ini")));
    translator.LoadStrings();
    EXPECT_EQ(translator.GetString(QStringLiteral(" restart ")), QStringLiteral("Перезапустить?\nДа\tНет AA\\"));
    EXPECT_EQ(translator.GetString(QStringLiteral("empty")), QStringLiteral("empty"));
    EXPECT_EQ(translator.GetString(QStringLiteral("missing")), QStringLiteral("missing"));
    translator.SetOptions(TKyv_Translator::lofTrimSpaces);
    translator.LoadStrings();
    EXPECT_EQ(
        translator.GetString(QStringLiteral("restart")), QStringLiteral("Перезапустить?\\nДа\\tНет \\x41\\101\\\\"));
}

TEST_F(ShellWindowsTranslator, theIniWriterKeepsCommasQuotesCaseAndTheOtherSections)
{
    const QString name = file(QStringLiteral("keep.ini"));
    writeFile(name, QStringLiteral("; a note\r\n[Messages]\r\nMixedCase=\"a, b\", c\r\n[frmMain]\r\nold=1\r\n"));
    TKyvIniFile ini(name);
    ASSERT_TRUE(ini.Load());
    ini.SetSectionLines(QStringLiteral("FRMMAIN"), { QStringLiteral("x.text=Один, два") });
    ASSERT_TRUE(ini.Save());
    TKyvIniFile again(name);
    ASSERT_TRUE(again.Load());
    EXPECT_EQ(again.SectionLines(QStringLiteral("messages")), QStringList { QStringLiteral("MixedCase=\"a, b\", c") });
    EXPECT_EQ(again.SectionLines(QStringLiteral("frmMain")), QStringList { QStringLiteral("x.text=Один, два") });
}

// ---- The main window and the login dialog --------------------------------------------------------------------

class ShellWindowsLanguage : public StartupFixture
{
protected:
    QString programName() const { return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName(); }
    QString dictionary(const QString &language) const
    {
        return programFolder() + programName() + QLatin1Char('_') + language + QStringLiteral(".ini");
    }
};

TEST_F(ShellWindowsLanguage, withNoDictionariesTheFirstShowingWritesTheBaseAndKeepsTheDesignTexts)
{
    TfrmMain *m = makeMain();
    AppSettings().UILanguage = QStringLiteral("ru");
    m->SetFolders(m->Folders());
    EXPECT_EQ(m->DictionaryFileName(), dictionary(QStringLiteral("ru")));
    showMain();
    ASSERT_TRUE(QFileInfo::exists(dictionary(QStringLiteral("en"))));
    EXPECT_FALSE(QFileInfo::exists(dictionary(QStringLiteral("ru"))));
    EXPECT_EQ(m->DictionaryFileName(), dictionary(QStringLiteral("en")));
    EXPECT_EQ(m->Translator->DictionaryFileName(), dictionary(QStringLiteral("en")));
    TKyvIniFile base(dictionary(QStringLiteral("en")));
    ASSERT_TRUE(base.Load());
    EXPECT_TRUE(
        base.SectionLines(QStringLiteral("frmMain")).contains(QStringLiteral("actShowCustList.text=Customers")));
    EXPECT_EQ(m->actShowCustList->text(), QStringLiteral("Customers"));
    EXPECT_EQ(m->Translator->GetString(QStringLiteral("uiChangedRestart")), QStringLiteral("uiChangedRestart"));
    EXPECT_EQ(m->actFileDatabaseConnect->text(), QStringLiteral("Database connection"))
        << "a caption never shows a message key";
}

TEST_F(ShellWindowsLanguage, aRussianDictionaryTranslatesTheMainWindowItsMessagesAndTheLoginDialog)
{
    TfrmMain *m = makeMain();
    AppSettings().UILanguage = QStringLiteral("ru");
    m->SetFolders(m->Folders());
    ASSERT_TRUE(m->Translator->CreateDictionary(m, dictionary(QStringLiteral("en"))));
    {
        TfrmPasswordDlg login;
        TKyv_Translator t(&login);
        ASSERT_TRUE(t.CreateDictionary(&login, dictionary(QStringLiteral("en"))));
    }
    writeFile(dictionary(QStringLiteral("ru")),
        QStringLiteral("[frmMain]\r\nactShowCustList.text=Абоненты\r\n[messages]\r\nconnectCaption=Соединиться\r\n"
                       "[frmPasswordDlg]\r\nbtnCancel.text=Отмена\r\nlblUserName.text=Пользователь\r\n"));
    QString cancelText, userLabel;
    tarvik::test::ModalAnswer &dialog = whenReady([] { return frmPasswordDlg && frmPasswordDlg->isVisible(); },
        [&] {
            cancelText = frmPasswordDlg->btnCancel->text();
            userLabel = frmPasswordDlg->findChild<QLabel *>(QStringLiteral("lblUserName"))->text();
            frmPasswordDlg->reject();
        });
    m->show();
    ASSERT_TRUE(waitUntil([&dialog] { return dialog.ran() && !frmPasswordDlg; }));
    EXPECT_EQ(m->actShowCustList->text(), QStringLiteral("Абоненты"));
    EXPECT_EQ(m->actPayments->text(), QStringLiteral("Payments")) << "no Russian text for it";
    EXPECT_EQ(m->actFileDatabaseConnect->text(), QStringLiteral("Соединиться"));
    EXPECT_EQ(cancelText, QStringLiteral("Отмена"));
    EXPECT_EQ(userLabel, QStringLiteral("Пользователь"));
}

TEST_F(ShellWindowsLanguage, theLanguageChoiceAsksToCloseAndYesClosesTheProgram)
{
    TfrmMain *m = makeMain();
    showMain();
    AppSettings().UILanguage = QStringLiteral("en");
    for (const bool yes : { false, true }) {
        SCOPED_TRACE(yes ? "Yes" : "No");
        QString title;
        bool englishPreselected = false;
        whenReady(
            [] {
                return QApplication::activeModalWidget()
                    && QApplication::activeModalWidget()->objectName() == "frmSelectUILanguage";
            },
            [&] {
                QWidget *dialog = QApplication::activeModalWidget();
                title = dialog->windowTitle();
                englishPreselected = dialog->findChild<QRadioButton *>(QStringLiteral("rbEnglish"))->isChecked();
                if (!yes)
                    tarvik::test::SaveScreenshot(dialog, QStringLiteral("shell-selectuilanguage"));
                auto *russian = dialog->findChild<QRadioButton *>(QStringLiteral("rbRussian"));
                // On the button's circle: a wide radio button answers clicks on its circle and label only.
                QTest::mouseClick(russian, Qt::LeftButton, {}, QPoint(6, russian->height() / 2));
                QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("btnOk")), Qt::LeftButton);
            });
        m_messages.answer(yes ? mrYes : mrNo);
        QSignalSpy closed(m, &TfrmMain::closed);
        m->actSelectUILanguage->trigger();
        EXPECT_EQ(title, QStringLiteral("Select User Interface Language"));
        EXPECT_EQ(englishPreselected, !yes) << "the second time the language is already Russian";
        EXPECT_EQ(AppSettings().UILanguage, QStringLiteral("ru"));
        ASSERT_FALSE(m_messages.requests.isEmpty());
        EXPECT_EQ(m_messages.lastText(),
            QStringLiteral("The interface language will change at the next start. Close the program now?"));
        EXPECT_EQ(m_messages.requests.last().buttons, mbYesNo);
        EXPECT_EQ(closed.count(), yes ? 1 : 0);
    }
}

TEST_F(ShellWindowsLanguage, theShippedDictionariesHoldTheSameKeysAndTheMainWindowsTexts)
{
    const QString folder = QStringLiteral(TARVIK_SOURCE_DIR "/resources/dictionaries/");
    TKyvIniFile en(folder + QStringLiteral("tarvik_en.ini"));
    TKyvIniFile ru(folder + QStringLiteral("tarvik_ru.ini"));
    ASSERT_TRUE(en.Load());
    ASSERT_TRUE(ru.Load());
    EXPECT_EQ(en.Sections(), ru.Sections());
    for (const char *section : { "frmMain", "messages", "frmPasswordDlg" })
        EXPECT_TRUE(en.SectionExists(QString::fromLatin1(section))) << section;
    for (const QString &section : en.Sections()) {
        QStringList enKeys, ruKeys;
        for (const QString &line : en.SectionLines(section))
            enKeys << TKyvIniFile::KeyOf(line);
        for (const QString &line : ru.SectionLines(section))
            ruKeys << TKyvIniFile::KeyOf(line);
        EXPECT_EQ(enKeys, ruKeys) << section.toStdString();
    }
    // The base dictionary is what the windows' design texts give now.
    TfrmMain *m = makeMain();
    const QString fresh = programFolder() + QStringLiteral("fresh.ini");
    ASSERT_TRUE(m->Translator->CreateDictionary(m, fresh));
    TfrmPasswordDlg login;
    TKyv_Translator t(&login);
    t.SetIgnoreList(login.Translator->IgnoreList());
    ASSERT_TRUE(t.CreateDictionary(&login, fresh));
    TKyvIniFile now(fresh);
    ASSERT_TRUE(now.Load());
    EXPECT_EQ(now.SectionLines(QStringLiteral("frmMain")), en.SectionLines(QStringLiteral("frmMain")));
    EXPECT_EQ(now.SectionLines(QStringLiteral("frmPasswordDlg")), en.SectionLines(QStringLiteral("frmPasswordDlg")));
}

TEST_F(ShellWindowsLanguage, theDebugCommandsOpenTheConsoleAndRecalculateEveryCustomer)
{
    RegisterTestSqlForm();
    TfrmMain *m = makeMain({ QStringLiteral("/monitore") });
    showMain();
    login();
    ASSERT_TRUE(isConnected());
    ASSERT_TRUE(m->actTestSql->isVisible());
    m->actTestSql->trigger();
    EXPECT_EQ(m_shell.layouts.value(m_shell.layouts.size() - 1), QStringLiteral("00000409"))
        << "the keyboard goes English";
    ASSERT_EQ(m->ChildForms().size(), 1);
    EXPECT_EQ(FormClassName(m->ChildForms()[0]), QStringLiteral("TfrmTestSql"));
    m->actTestCustomers->trigger();
    EXPECT_TRUE(m_messages.requests.isEmpty()) << m_messages.lastText().toStdString();
    UnRegisterFormClass(QStringLiteral("TfrmTestSql"));
}
