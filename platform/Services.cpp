#include "Services.h"

#include "LocalTime.h"

#include <QAbstractButton>
#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QHostAddress>
#include <QHostInfo>
#include <QImageReader>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTcpSocket>
#include <QUrl>

#include <atomic>

#include <netinet/in.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

void MessageService::beep()
{
    QApplication::beep();
}

QString MessageService::captionFor(TMsgDlgType type)
{
    switch (type) {
    case mtWarning:
        return QStringLiteral("Предупреждение");
    case mtError:
        return QStringLiteral("Ошибка");
    case mtInformation:
        return QStringLiteral("Информация");
    case mtConfirmation:
        return QStringLiteral("Подтверждение");
    case mtCustom:
        break;
    }
    return QApplication::applicationName();
}

QString DialogService::inputBox(const QString &caption, const QString &prompt, const QString &preset)
{
    QString value = preset;
    return inputQuery(caption, prompt, value) ? value : preset;
}

QString DialogService::toQtFilter(const QString &platformFilter)
{
    const QStringList parts = platformFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
    }
    return filters.join(QStringLiteral(";;"));
}

namespace {

// ---- The real services ---------------------------------------------------------------------------------------

class QtMessageService final : public MessageService
{
public:
    TModalResult show(const MessageRequest &request) override
    {
        QMessageBox box(QApplication::activeWindow());
        box.setWindowTitle(request.caption.isEmpty() ? captionFor(request.type) : request.caption);
        QString text = request.text;
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
        box.setText(text);
        switch (request.type) {
        case mtWarning:
            box.setIcon(QMessageBox::Warning);
            break;
        case mtError:
            box.setIcon(QMessageBox::Critical);
            break;
        case mtInformation:
            box.setIcon(QMessageBox::Information);
            break;
        case mtConfirmation:
            box.setIcon(QMessageBox::Question);
            break;
        case mtCustom:
            box.setIcon(QMessageBox::NoIcon);
            break;
        }
        struct ButtonSpec
        {
            TMsgDlgBtn button;
            const char *text;
            QMessageBox::ButtonRole role;
            TModalResult result;
        };
        static const ButtonSpec specs[] = {
            { mbYes, "&Да", QMessageBox::YesRole, mrYes },
            { mbNo, "&Нет", QMessageBox::NoRole, mrNo },
            { mbOK, "OK", QMessageBox::AcceptRole, mrOk },
            { mbCancel, "Отмена", QMessageBox::RejectRole, mrCancel },
            { mbAbort, "&Прервать", QMessageBox::RejectRole, mrAbort },
            { mbRetry, "&Повтор", QMessageBox::AcceptRole, mrRetry },
            { mbIgnore, "П&ропустить", QMessageBox::AcceptRole, mrIgnore },
            { mbAll, "&Все", QMessageBox::AcceptRole, mrAll },
        };
        QHash<QAbstractButton *, TModalResult> results;
        const TMsgDlgButtons buttons = request.buttons ? request.buttons : TMsgDlgButtons(mbOK);
        for (const ButtonSpec &spec : specs) {
            if (!(buttons & spec.button))
                continue;
            QPushButton *b = box.addButton(QString::fromUtf8(spec.text), spec.role);
            results.insert(b, spec.result);
            if (spec.button == request.defaultButton)
                box.setDefaultButton(b);
            if (spec.button == mbCancel || (spec.button == mbNo && !(buttons & mbCancel)))
                box.setEscapeButton(b);
        }
        box.exec();
        return results.value(box.clickedButton(), mrCancel);
    }
};

class QtDialogService final : public DialogService
{
public:
    bool openFile(FileDialogRequest &request) override { return run(request, QFileDialog::AcceptOpen); }
    bool saveFile(FileDialogRequest &request) override { return run(request, QFileDialog::AcceptSave); }

    bool openPicture(FileDialogRequest &request) override
    {
        if (request.filter.isEmpty()) {
            QStringList patterns;
            for (const QByteArray &format : QImageReader::supportedImageFormats())
                patterns << QStringLiteral("*.") + QString::fromLatin1(format);
            request.filter = QStringLiteral("Все изображения|%1|Все файлы|*.*").arg(patterns.join(QLatin1Char(';')));
        }
        return run(request, QFileDialog::AcceptOpen);
    }

    bool chooseColor(QColor &color) override
    {
        const QColor chosen = QColorDialog::getColor(color, QApplication::activeWindow());
        if (!chosen.isValid())
            return false;
        color = chosen;
        return true;
    }

    bool chooseFont(QFont &font, QColor &) override
    {
        bool ok = false;
        const QFont chosen = QFontDialog::getFont(&ok, font, QApplication::activeWindow());
        if (ok)
            font = chosen;
        return ok;
    }

    bool inputQuery(const QString &caption, const QString &prompt, QString &value) override
    {
        bool ok = false;
        const QString typed
            = QInputDialog::getText(QApplication::activeWindow(), caption, prompt, QLineEdit::Normal, value, &ok);
        if (ok)
            value = typed;
        return ok;
    }

private:
    static bool run(FileDialogRequest &request, QFileDialog::AcceptMode mode)
    {
        QFileDialog dialog(QApplication::activeWindow(), request.title, request.initialDir);
        dialog.setAcceptMode(mode);
        dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        const QStringList filters = toQtFilter(request.filter).split(QStringLiteral(";;"), Qt::SkipEmptyParts);
        if (!filters.isEmpty()) {
            dialog.setNameFilters(filters);
            dialog.selectNameFilter(filters.value(std::max(0, request.filterIndex - 1)));
        }
        if (!request.defaultExt.isEmpty())
            dialog.setDefaultSuffix(request.defaultExt);
        if (!request.fileName.isEmpty())
            dialog.selectFile(request.fileName);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return false;
        request.fileName = dialog.selectedFiles().constFirst();
        if (!filters.isEmpty())
            request.filterIndex = int(filters.indexOf(dialog.selectedNameFilter())) + 1;
        return true;
    }
};

class SystemClock final : public Clock
{
public:
    SystemClock() { m_timer.start(); }
    QDateTime now() const override { return CurrentLocalDateTime(); }
    quint64 tickCount() const override { return quint64(m_timer.elapsed()); }

private:
    QElapsedTimer m_timer;
};

class DesktopShellService final : public ShellService
{
public:
    bool openDocument(const QString &pathOrUrl) override
    {
        const QUrl url = QFileInfo::exists(pathOrUrl) ? QUrl::fromLocalFile(pathOrUrl) : QUrl::fromUserInput(pathOrUrl);
        return url.isValid() && QDesktopServices::openUrl(url);
    }

    bool startProgram(const QString &program, const QStringList &arguments, const QString &workingDir) override
    {
        return QProcess::startDetached(program, arguments, workingDir);
    }

    void activateKeyboardLayout(const QString &) override { }
};

class NetworkReachability final : public ReachabilityService
{
public:
    bool ping(const QString &host, int timeoutMs, quint16 tcpPort) override
    {
        QHostAddress address(host);
        if (address.isNull()) {
            const QHostInfo info = QHostInfo::fromName(host);
            for (const QHostAddress &a : info.addresses()) {
                if (a.protocol() == QAbstractSocket::IPv4Protocol) {
                    address = a;
                    break;
                }
            }
        }
        if (address.isNull() || address.protocol() != QAbstractSocket::IPv4Protocol)
            return false;
        const int icmp = icmpEcho(address.toIPv4Address(), timeoutMs);
        if (icmp >= 0)
            return icmp == 1;
        QTcpSocket socket;
        socket.connectToHost(address, tcpPort);
        if (socket.waitForConnected(timeoutMs))
            return true;
        return socket.error() == QAbstractSocket::ConnectionRefusedError;
    }

private:
    // 1 answered, 0 no answer in time, -1 the system allows no unprivileged ICMP socket.
    static int icmpEcho(quint32 ipv4, int timeoutMs)
    {
        const int fd = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_ICMP);
        if (fd < 0)
            return -1;
        sockaddr_in to {};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = htonl(ipv4);
        icmphdr request {};
        request.type = ICMP_ECHO;
        request.un.echo.sequence = htons(1);
        int result = 0;
        if (::sendto(fd, &request, sizeof request, 0, reinterpret_cast<sockaddr *>(&to), sizeof to) < 0) {
            result = -1;
        } else {
            QElapsedTimer timer;
            timer.start();
            while (result == 0 && timer.elapsed() < timeoutMs) {
                pollfd p { fd, POLLIN, 0 };
                if (::poll(&p, 1, int(timeoutMs - timer.elapsed())) <= 0)
                    break;
                icmphdr reply {};
                char buffer[1500];
                const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
                if (n >= ssize_t(sizeof reply)) {
                    std::memcpy(&reply, buffer, sizeof reply);
                    if (reply.type == ICMP_ECHOREPLY)
                        result = 1;
                }
            }
        }
        ::close(fd);
        return result;
    }
};

template <class Service, class Real> class Slot
{
public:
    Service *get()
    {
        Service *s = m_override.load();
        return s ? s : &m_real;
    }
    Service *set(Service *service)
    {
        Service *previous = m_override.exchange(service);
        return previous ? previous : &m_real;
    }

private:
    Real m_real;
    std::atomic<Service *> m_override { nullptr };
};

template <class Service, class Real> Slot<Service, Real> &slot()
{
    static Slot<Service, Real> instance;
    return instance;
}

} // namespace

namespace Services {

MessageService *messages()
{
    return slot<MessageService, QtMessageService>().get();
}
DialogService *dialogs()
{
    return slot<DialogService, QtDialogService>().get();
}
Clock *clock()
{
    return slot<Clock, SystemClock>().get();
}
ShellService *shell()
{
    return slot<ShellService, DesktopShellService>().get();
}
ReachabilityService *reachability()
{
    return slot<ReachabilityService, NetworkReachability>().get();
}

MessageService *setMessages(MessageService *service)
{
    return slot<MessageService, QtMessageService>().set(service);
}
DialogService *setDialogs(DialogService *service)
{
    return slot<DialogService, QtDialogService>().set(service);
}
Clock *setClock(Clock *service)
{
    return slot<Clock, SystemClock>().set(service);
}
ShellService *setShell(ShellService *service)
{
    return slot<ShellService, DesktopShellService>().set(service);
}
ReachabilityService *setReachability(ReachabilityService *service)
{
    return slot<ReachabilityService, NetworkReachability>().set(service);
}

} // namespace Services
