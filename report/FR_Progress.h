#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class TfrReport;

// What a build, print or export shows while it runs, and how its job is run: under a modal window whose Cancel
// button stops the running report, or straight away. The engine keeps one (TfrGlobals::Progress); this base
// runs the job directly, and the preview layer installs the window.
class TfrProgress
{
public:
    virtual ~TfrProgress() = default;

    virtual void SetCaption(const QString &text) { m_caption = text; }
    QString Caption() const { return m_caption; }
    // The text that heads the counter line.
    virtual void SetCaptionPrefix(const QString &text) { m_prefix = text; }
    QString CaptionPrefix() const { return m_prefix; }
    // The counter line, and the line a script fills through the variable PROGRESS.
    virtual void SetLabel1(const QString &text) { m_label1 = text; }
    QString Label1() const { return m_label1; }
    virtual void SetLabel2(const QString &text) { m_label2 = text; }
    QString Label2() const { return m_label2; }

    // A dialog page of the template hides the window while it is shown.
    virtual void SetVisible(bool visible) { m_visible = visible; }
    bool Visible() const { return m_visible; }

    // Set by the job: 1 ends the run, 2 ends it as cancelled.
    virtual void SetModalResult(int result) { m_modalResult = result; }
    int ModalResult() const { return m_modalResult; }

    // The job RunModal starts once the window is shown.
    std::function<void()> WorkProc;
    // Shows the window modally, runs WorkProc and answers the modal result the job left.
    virtual int RunModal(TfrReport &report);
    // Lets the user's input in (where Cancel is seen); nothing to do without a window.
    virtual void ProcessMessages() { }

    // The report of the running job; null outside RunModal.
    TfrReport *Report() const { return m_report; }

protected:
    TfrReport *m_report = nullptr;

private:
    QString m_caption, m_prefix, m_label1, m_label2;
    int m_modalResult = 0;
    bool m_visible = false;
};

// Keeps every text set, in order, for tests; can press Cancel after a number of counter lines.
class TfrRecordingProgress : public TfrProgress
{
public:
    void SetCaption(const QString &text) override;
    void SetCaptionPrefix(const QString &text) override;
    void SetLabel1(const QString &text) override;
    void SetLabel2(const QString &text) override;
    int RunModal(TfrReport &report) override;
    void ProcessMessages() override;

    QStringList Captions, Prefixes, Label1s, Label2s;
    int Runs = 0;
    // When positive: the running report's stop is requested at the ProcessMessages that follows this many
    // counter lines, as the window's Cancel button would.
    int CancelAfterLabels = 0;
};
