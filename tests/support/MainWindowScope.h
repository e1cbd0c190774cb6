#pragma once

// The program's main window over a settings file of its own in a temporary folder, for the tests of the
// modules above the shell (the window's status bar, its commands). The settings are the defaults; the
// previous settings file comes back when the scope ends. Include only where the shell is linked.
#include "XmlSettingsStorage.h"
#include "frmuMain.h"
#include "uSettings.h"

#include <QTemporaryDir>

#include <memory>

namespace tarvik::test {

class MainWindowScope
{
public:
    MainWindowScope()
        : m_oldSettingsFile(SettingsStorage().fileName())
    {
        SettingsStorage().setFileName(m_dir.filePath(QStringLiteral("settings.xml")));
        SettingsStorage().clear();
        m_main = std::make_unique<TfrmMain>();
        AppSettings() = TAppSettings::defaults();
    }
    ~MainWindowScope()
    {
        m_main.reset();
        SettingsStorage().clear();
        SettingsStorage().setFileName(m_oldSettingsFile);
        AppSettings() = TAppSettings::defaults();
    }
    MainWindowScope(const MainWindowScope &) = delete;
    MainWindowScope &operator=(const MainWindowScope &) = delete;

    TfrmMain *main() const { return m_main.get(); }
    QString status(int panel) const { return m_main->StatusText(panel); }

private:
    QTemporaryDir m_dir;
    QString m_oldSettingsFile;
    std::unique_ptr<TfrmMain> m_main;
};

} // namespace tarvik::test
