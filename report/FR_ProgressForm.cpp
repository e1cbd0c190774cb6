#include "FR_ProgressForm.h"

#include "FR_Class.h"
#include "FR_Locale.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <exception>

TfrProgressForm::TfrProgressForm(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("frProgressForm"));
    setFixedSize(278, 106);
    Label1 = new QLabel(QStringLiteral("1"), this);
    Label1->setGeometry(20, 26, 237, 16);
    Label1->setAlignment(Qt::AlignCenter);
    Label2 = new QLabel(this);
    Label2->setGeometry(20, 42, 237, 16);
    Label2->setAlignment(Qt::AlignCenter);
    Button1 = new QPushButton(this);
    Button1->setGeometry(102, 70, 75, 25);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    Localize();
}

void TfrProgressForm::Localize()
{
    Button1->setText(GetLocaleString(55001));
}

void TfrProgressForm::SetCaption(const QString &text)
{
    TfrProgress::SetCaption(text);
    setWindowTitle(text);
}

void TfrProgressForm::SetLabel1(const QString &text)
{
    TfrProgress::SetLabel1(text);
    Label1->setText(text);
}

void TfrProgressForm::SetLabel2(const QString &text)
{
    TfrProgress::SetLabel2(text);
    Label2->setText(text);
}

void TfrProgressForm::SetVisible(bool visible)
{
    TfrProgress::SetVisible(visible);
    if (m_running)
        setVisible(visible);
}

void TfrProgressForm::SetModalResult(int result)
{
    TfrProgress::SetModalResult(result);
    if (m_loop && result != 0)
        m_loop->quit();
}

int TfrProgressForm::RunModal(TfrReport &report)
{
    Localize();
    TfrReport *previous = std::exchange(m_report, &report);
    SetLabel2(QString());
    TfrProgress::SetModalResult(0);
    std::exception_ptr failure;
    // A loop of its own rather than exec(): a dialog page of the template hides the window meanwhile, which
    // must not end the job's loop.
    QEventLoop loop;
    QTimer::singleShot(0, this, [this, &failure, &loop] {
        try {
            StartWork();
        } catch (...) {
            failure = std::current_exception();
            TfrProgress::SetModalResult(2);
        }
        if (ModalResult() == 0)
            TfrProgress::SetModalResult(1);
        loop.quit();
    });
    setWindowModality(Qt::ApplicationModal);
    m_running = true;
    m_loop = &loop;
    show();
    loop.exec();
    m_loop = nullptr;
    m_running = false;
    hide();
    m_report = previous;
    if (failure)
        std::rethrow_exception(failure);
    return ModalResult();
}

void TfrProgressForm::StartWork()
{
    if (WorkProc)
        WorkProc();
}

void TfrProgressForm::ProcessMessages()
{
    QCoreApplication::processEvents();
}

void TfrProgressForm::Button1Click()
{
    if (m_report)
        m_report->StopRequested = true;
    SetModalResult(2);
}

void TfrProgressForm::reject()
{
    Button1Click();
}
