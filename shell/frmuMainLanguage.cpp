// The main window's interface language: the translation at the first showing, Qt's own texts, the language
// choice, and the run-time messages; and the debug commands that open the SQL console and recalculate every
// customer.
#include "frmuMain.h"

#include "Kyv_Translator.h"
#include "ScreenCursor.h"
#include "Services.h"
#include "dmuDM.h"
#include "uCommon.h"
#include "uLog.h"
#include "uSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

QString TfrmMain::BaseDictionaryFileName() const
{
    return m_folders.programFolder + QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName()
        + QStringLiteral("_en.ini");
}

QString TfrmMain::GetString(const QString &key) const
{
    // The English texts stand in while no dictionary holds the key, so that a caption never shows a key.
    static const QHash<QString, QString> builtIn = {
        { QStringLiteral("connectCaption"), QStringLiteral("Database connection") },
        { QStringLiteral("connectHint"), QStringLiteral("Connect to database") },
        { QStringLiteral("disconnectCaption"), QStringLiteral("Disconnect") },
        { QStringLiteral("disconnectHint"), QStringLiteral("Disconnect from database") },
        { QStringLiteral("uiChangedRestart"),
            QStringLiteral("The interface language will change at the next start. Close the program now?") },
    };
    const QString text = Translator->GetString(key);
    return text == key.trimmed() ? builtIn.value(text, text) : text;
}

void TfrmMain::actChangeUILanguageExecute()
{
    const QString base = BaseDictionaryFileName();
    Translator->SetDictionaryFileName(m_dictionaryFileName);
    if (QFileInfo::exists(m_dictionaryFileName)) {
        Translator->TranslateForm(this, true, base);
    } else {
        m_dictionaryFileName = base;
        Translator->SetDictionaryFileName(base);
        if (!QFileInfo::exists(base) && !Translator->CreateDictionary(this, base))
            LogError(QStringLiteral("Не удалось записать словарь ") + base);
    }
    Translator->LoadStrings();
}

void TfrmMain::installQtTranslation()
{
    // The program's texts are Russian or translated by the dictionaries; the file dialogs and the standard
    // buttons are Qt's own and come in English unless Qt's translation is loaded.
    if (AppSettings().UILanguage.compare(QLatin1String("ru"), Qt::CaseInsensitive) != 0)
        return;
    auto *translator = new QTranslator(this);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (translator->load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"), folder)) {
        QCoreApplication::installTranslator(translator);
        return;
    }
    LogError(QStringLiteral("Нет перевода диалогов Qt (qtbase_ru) в ") + QDir::toNativeSeparators(folder));
    delete translator;
}

void TfrmMain::actSelectUILanguageExecute()
{
    if (!SelectUILanguage(AppSettings().UILanguage))
        return;
    if (Services::messages()->confirm(GetString(QStringLiteral("uiChangedRestart"))))
        close();
}

void TfrmMain::actTestSqlExecute()
{
    SetKeyboardLanguage(QStringLiteral("EN"));
    SetScreenCursor(crHourGlass);
    CreateChildForm(QStringLiteral("TfrmTestSql"), 1);
    setDefaultCursor();
}

void TfrmMain::actTestCustomersExecute()
{
    SetScreenCursor(crHourGlass);
    DM->RecalcAllCustomers();
    setDefaultCursor();
}
