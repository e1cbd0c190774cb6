#pragma once

#include <QColor>
#include <QDateTime>
#include <QFont>
#include <QString>
#include <QStringList>

// The seams through which program code reaches the user and the machine: message boxes, file and colour
// dialogs, the clock, the desktop shell and the network reachability check. Program code never calls
// QMessageBox, QFileDialog or QDateTime::currentDateTime itself; it asks Services::messages() and the like.
// Each accessor answers the real Qt implementation unless a test installed a fake (ServiceFakes.h).

// ---- Message boxes -------------------------------------------------------------------------------------------

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

enum TMsgDlgBtn : unsigned {
    mbYes = 0x01,
    mbNo = 0x02,
    mbOK = 0x04,
    mbCancel = 0x08,
    mbAbort = 0x10,
    mbRetry = 0x20,
    mbIgnore = 0x40,
    mbAll = 0x80,
};
using TMsgDlgButtons = unsigned;
constexpr TMsgDlgButtons mbYesNo = mbYes | mbNo;
constexpr TMsgDlgButtons mbYesNoCancel = mbYes | mbNo | mbCancel;
constexpr TMsgDlgButtons mbOKCancel = mbOK | mbCancel;

// The platform's modal results; a message box answers the one of the button pressed (mrCancel when closed).
enum TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7, mrAll = 8 };

struct MessageRequest
{
    QString text; // "\r" shows as a line break
    TMsgDlgType type = mtInformation;
    TMsgDlgButtons buttons = mbOK;
    TMsgDlgBtn defaultButton = mbOK; // 0-like values mean the first button
    QString caption; // empty: the type's Russian caption ("Ошибка", ...), or the program's title
};

class MessageService
{
public:
    virtual ~MessageService() = default;
    virtual TModalResult show(const MessageRequest &request) = 0;

    // The system's standard boxes.
    void error(const QString &text) { show({ text, mtError, mbOK, mbOK, {} }); }
    void warning(const QString &text) { show({ text, mtWarning, mbOK, mbOK, {} }); }
    void information(const QString &text) { show({ text, mtInformation, mbOK, mbOK, {} }); }
    // A Yes/No confirmation; true only on Yes.
    bool confirm(const QString &text, TMsgDlgBtn defaultButton = mbYes)
    {
        return show({ text, mtConfirmation, mbYesNo, defaultButton, {} }) == mrYes;
    }
    TModalResult messageDlg(
        const QString &text, TMsgDlgType type, TMsgDlgButtons buttons, TMsgDlgBtn defaultButton = mbOK)
    {
        return show({ text, type, buttons, defaultButton, {} });
    }
    // A plain box captioned with the program's title.
    void showMessage(const QString &text) { show({ text, mtCustom, mbOK, mbOK, {} }); }

    // The short warning sound of a refused key.
    virtual void beep();

    // The caption a box of this type gets when the request names none.
    static QString captionFor(TMsgDlgType type);
};

// ---- File, colour, font and picture dialogs ------------------------------------------------------------------

struct FileDialogRequest
{
    QString title;
    // The platform's filter syntax: "Описание|*.a;*.b|Все файлы|*.*".
    QString filter;
    int filterIndex = 1; // 1-based, as the platform counts; set to the chosen filter on success
    QString initialDir;
    QString fileName; // proposed name; the chosen file on success
    QString defaultExt; // without the dot; added to a typed name that has none
};

class DialogService
{
public:
    virtual ~DialogService() = default;
    virtual bool openFile(FileDialogRequest &request) = 0;
    virtual bool saveFile(FileDialogRequest &request) = 0;
    virtual bool openPicture(FileDialogRequest &request) = 0;
    virtual bool chooseColor(QColor &color) = 0;
    virtual bool chooseFont(QFont &font, QColor &color) = 0;
    // The system input box: a caption, a prompt and an edit preset with `value`. True with the typed text in
    // `value` on OK; false, `value` unchanged, when cancelled.
    virtual bool inputQuery(const QString &caption, const QString &prompt, QString &value) = 0;
    // The typed text, or `preset` when the box is cancelled.
    QString inputBox(const QString &caption, const QString &prompt, const QString &preset);

    // "A|*.a|B|*.b" as Qt's "A (*.a);;B (*.b)".
    static QString toQtFilter(const QString &platformFilter);
};

// ---- Clock ---------------------------------------------------------------------------------------------------

class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    QDate today() const { return now().date(); }
    // Milliseconds since an arbitrary start; only differences mean anything.
    virtual quint64 tickCount() const = 0;
};

// ---- Desktop shell -------------------------------------------------------------------------------------------

class ShellService
{
public:
    virtual ~ShellService() = default;
    // A file opened with its associated program, or a URL in the browser; false when nothing could open it.
    virtual bool openDocument(const QString &pathOrUrl) = 0;
    virtual bool startProgram(const QString &program, const QStringList &arguments = {}, const QString &workingDir = {})
        = 0;
    // Switches the keyboard to a layout (eight hexadecimal digits of the platform's layout id). The desktop
    // keeps one layout per user here, so the real service leaves it alone.
    virtual void activateKeyboardLayout(const QString &layoutId) = 0;
};

// ---- Reachability --------------------------------------------------------------------------------------------

class ReachabilityService
{
public:
    virtual ~ReachabilityService() = default;
    // An ICMP echo where the system allows unprivileged ICMP sockets, else a TCP connect to `tcpPort` (a refused
    // connection still proves the host is up). True when the host answered within the time-out.
    virtual bool ping(const QString &host, int timeoutMs, quint16 tcpPort = 7) = 0;
};

// ---- Accessors -----------------------------------------------------------------------------------------------

namespace Services {

MessageService *messages();
DialogService *dialogs();
Clock *clock();
ShellService *shell();
ReachabilityService *reachability();

// Install a replacement (not owned; it must outlive its installation) or, with nullptr, the real one again.
// Each answers the service that was installed before.
MessageService *setMessages(MessageService *service);
DialogService *setDialogs(DialogService *service);
Clock *setClock(Clock *service);
ShellService *setShell(ShellService *service);
ReachabilityService *setReachability(ReachabilityService *service);

} // namespace Services
