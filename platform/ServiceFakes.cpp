#include "ServiceFakes.h"

FakeMessageService::FakeMessageService()
    : m_previous(Services::setMessages(this))
{
}

FakeMessageService::~FakeMessageService()
{
    Services::setMessages(m_previous);
}

TModalResult FakeMessageService::show(const MessageRequest &request)
{
    requests << request;
    if (!m_answers.isEmpty())
        return m_answers.takeFirst();
    if (defaultAnswer != mrNone)
        return defaultAnswer;
    const TMsgDlgButtons buttons = request.buttons ? request.buttons : TMsgDlgButtons(mbOK);
    if (buttons & mbYes)
        return mrYes;
    if (buttons & mbOK)
        return mrOk;
    if (buttons & mbNo)
        return mrNo;
    return mrCancel;
}

FakeDialogService::FakeDialogService()
    : m_previous(Services::setDialogs(this))
{
}

FakeDialogService::~FakeDialogService()
{
    Services::setDialogs(m_previous);
}

bool FakeDialogService::take(QList<FileAnswer> &answers, FileDialogRequest &request)
{
    fileRequests << request;
    if (answers.isEmpty())
        return false;
    const FileAnswer answer = answers.takeFirst();
    if (answer.fileName.isEmpty())
        return false;
    request.fileName = answer.fileName;
    request.filterIndex = answer.filterIndex;
    return true;
}

bool FakeDialogService::chooseColor(QColor &color)
{
    const std::optional<QColor> answer = m_colors.isEmpty() ? std::nullopt : m_colors.takeFirst();
    if (answer)
        color = *answer;
    return answer.has_value();
}

bool FakeDialogService::chooseFont(QFont &font, QColor &)
{
    const std::optional<QFont> answer = m_fonts.isEmpty() ? std::nullopt : m_fonts.takeFirst();
    if (answer)
        font = *answer;
    return answer.has_value();
}

bool FakeDialogService::inputQuery(const QString &caption, const QString &prompt, QString &value)
{
    inputRequests << InputRequest{caption, prompt, value};
    const std::optional<QString> answer = m_inputs.isEmpty() ? std::nullopt : m_inputs.takeFirst();
    if (answer)
        value = *answer;
    return answer.has_value();
}

FakeClock::FakeClock(const QDateTime &start)
    : m_now(start)
    , m_previous(Services::setClock(this))
{
}

FakeClock::~FakeClock()
{
    Services::setClock(m_previous);
}

void FakeClock::advance(qint64 msecs)
{
    m_now = m_now.addMSecs(msecs);
    m_ticks += quint64(msecs);
}

FakeShellService::FakeShellService()
    : m_previous(Services::setShell(this))
{
}

FakeShellService::~FakeShellService()
{
    Services::setShell(m_previous);
}

bool FakeShellService::openDocument(const QString &pathOrUrl)
{
    opened << pathOrUrl;
    return succeed;
}

bool FakeShellService::startProgram(const QString &program, const QStringList &arguments, const QString &)
{
    started << (QStringList { program } + arguments).join(QLatin1Char(' '));
    return succeed;
}

FakeReachability::FakeReachability()
    : m_previous(Services::setReachability(this))
{
}

FakeReachability::~FakeReachability()
{
    Services::setReachability(m_previous);
}

bool FakeReachability::ping(const QString &host, int, quint16)
{
    pinged << host;
    return reachable.contains(host);
}
