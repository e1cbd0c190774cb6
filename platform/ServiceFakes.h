#pragma once

#include "Services.h"

#include <QList>
#include <QSet>

#include <optional>

// Scriptable stand-ins for the services, for tests. Each installs itself on construction and puts back the
// service it replaced on destruction, so a fake declared in a test or fixture covers exactly that scope.

// Records every box; answers the scripted results in order, then `defaultAnswer` (0 = the box's first button).
class FakeMessageService final : public MessageService
{
public:
    FakeMessageService();
    ~FakeMessageService() override;

    TModalResult show(const MessageRequest &request) override;
    void beep() override { ++beeps; }

    void answer(TModalResult result) { m_answers << result; }
    int beeps = 0;
    TModalResult defaultAnswer = mrNone;
    QList<MessageRequest> requests;
    QString lastText() const { return requests.isEmpty() ? QString() : requests.constLast().text; }

private:
    QList<TModalResult> m_answers;
    MessageService *m_previous;
};

// Each dialog kind answers its scripted results in order; with none left it is cancelled.
class FakeDialogService final : public DialogService
{
public:
    FakeDialogService();
    ~FakeDialogService() override;

    bool openFile(FileDialogRequest &request) override { return take(m_open, request); }
    bool saveFile(FileDialogRequest &request) override { return take(m_save, request); }
    bool openPicture(FileDialogRequest &request) override { return take(m_picture, request); }
    bool chooseColor(QColor &color) override;
    bool chooseFont(QFont &font, QColor &color) override;
    bool inputQuery(const QString &caption, const QString &prompt, QString &value) override;

    // A chosen file (and filter index); an empty name scripts a cancel.
    void answerOpen(const QString &fileName, int filterIndex = 1) { m_open << FileAnswer { fileName, filterIndex }; }
    void answerSave(const QString &fileName, int filterIndex = 1) { m_save << FileAnswer { fileName, filterIndex }; }
    void answerPicture(const QString &fileName) { m_picture << FileAnswer { fileName, 1 }; }
    void answerColor(std::optional<QColor> color) { m_colors << color; }
    void answerFont(std::optional<QFont> font) { m_fonts << font; }
    // A typed text; nullopt scripts a cancel.
    void answerInput(std::optional<QString> text) { m_inputs << text; }

    QList<FileDialogRequest> fileRequests;
    struct InputRequest
    {
        QString caption, prompt, preset;
    };
    QList<InputRequest> inputRequests;

private:
    struct FileAnswer
    {
        QString fileName;
        int filterIndex;
    };
    bool take(QList<FileAnswer> &answers, FileDialogRequest &request);

    QList<FileAnswer> m_open, m_save, m_picture;
    QList<std::optional<QColor>> m_colors;
    QList<std::optional<QFont>> m_fonts;
    QList<std::optional<QString>> m_inputs;
    DialogService *m_previous;
};

// Time stands still until a test moves it; advance() moves the date-time and the tick count together.
class FakeClock final : public Clock
{
public:
    explicit FakeClock(const QDateTime &start = QDateTime(QDate(2020, 1, 15), QTime(12, 0)));
    ~FakeClock() override;

    QDateTime now() const override { return m_now; }
    quint64 tickCount() const override { return m_ticks; }

    void setNow(const QDateTime &now) { m_now = now; }
    void advance(qint64 msecs);

private:
    QDateTime m_now;
    quint64 m_ticks = 1000;
    Clock *m_previous;
};

class FakeShellService final : public ShellService
{
public:
    FakeShellService();
    ~FakeShellService() override;

    bool openDocument(const QString &pathOrUrl) override;
    bool startProgram(const QString &program, const QStringList &arguments, const QString &workingDir) override;
    void activateKeyboardLayout(const QString &layoutId) override { layouts << layoutId; }

    bool succeed = true;
    QStringList opened;
    QStringList started; // program followed by its arguments, joined by blanks
    QStringList layouts;

private:
    ShellService *m_previous;
};

// Hosts named in `reachable` answer; every ping is recorded.
class FakeReachability final : public ReachabilityService
{
public:
    FakeReachability();
    ~FakeReachability() override;

    bool ping(const QString &host, int timeoutMs, quint16 tcpPort) override;

    QSet<QString> reachable;
    QStringList pinged;

private:
    ReachabilityService *m_previous;
};
