#pragma once

#include "FR_ClassPrepared.h"

#include <QDialog>
#include <QFrame>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <functional>
#include <memory>

class QAction;
class QActionGroup;
class QCheckBox;
class QEventLoop;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QScrollBar;
class TfrPreviewForm;
class TfrReport;
class TfrSpeedButton;
class TfrTBButton;
class TfrTBSeparator;

// The surface the pages are drawn on.
class TfrPBox : public QWidget
{
    Q_OBJECT
public:
    explicit TfrPBox(TfrPreviewForm *form, QWidget *parent);

    bool Dragging = false;
    int DragX = 0, DragY = 0;
    // The page (from 1) under the last left press, 0 for none.
    int ClickedPage = 0;
    bool DoubleClicked = false;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    // The page (from 1) whose rectangle holds the point of the box, 0 for none.
    int PageAt(const QPoint &point) const;
    QPoint PagePoint(int page, const QPoint &point) const;

    TfrPreviewForm *m_form;
};

// The preview window: pages on screen, zoom, print, save or export, find and page editing.
class TfrPreviewForm : public QWidget
{
    Q_OBJECT
public:
    explicit TfrPreviewForm(QWidget *parent = nullptr);
    ~TfrPreviewForm() override;

    void Localize();
    void AttachReport(TfrReport *report);
    void DetachReport();
    void ApplyReportOptions();
    void ShowPrepared(TfrReport *report);
    void ResetView(bool resetPosition);
    void SetGrayButtons(bool gray);
    void UpdatePageLabel();
    void ScrollToCurrentPage();
    void LoadPrepared(const QString &fileName);
    void SavePrepared(const QString &fileName);
    void WheelUp();
    void WheelDown();
    // The layout of the pages in the box at the current zoom.
    void FormResize();
    void SetZoom(int tag);

    // Commands of the buttons and the menu.
    void ZoomBtnClick();
    void LoadBtnClick();
    void SaveBtnClick();
    void PrintBtnClick();
    void PageSetupBtnClick();
    void FindBtnClick();
    void ExitBtnClick();
    void HelpBtnClick();
    void EditPageClick();
    void AddPageClick();
    void RemovePageClick();
    void PageUp();
    void PageDown();
    // Answers whether the key was handled.
    bool HandleKey(int key, Qt::KeyboardModifiers modifiers);
    void ContinueSearch();

    int PageCount() const { return ShownPages ? ShownPages->GetCount() : 0; }
    // Page i's rectangle (from 0) as the layout placed it, not shifted.
    QRect PageRect(int i) const { return ShownPages->GetPage(i)->PreviewRect; }
    // The mark of the last match, in the box's coordinates (null when none).
    QRect FoundMark() const { return m_mark; }
    bool IsModal() const { return m_loop != nullptr; }

    QWidget *ToolbarPanel = nullptr, *Panel1 = nullptr;
    TfrTBButton *ZoomBtn = nullptr, *LoadBtn = nullptr, *SaveBtn = nullptr, *PrintBtn = nullptr,
                *PageSetupBtn = nullptr, *FindBtn = nullptr, *HelpBtn = nullptr, *ExitBtn = nullptr;
    TfrTBSeparator *frTBSeparator1 = nullptr, *frTBSeparator2 = nullptr, *frTBSeparator3 = nullptr;
    QWidget *PreviewPanel = nullptr, *RPanel = nullptr, *BPanel = nullptr;
    QFrame *Bevel1 = nullptr;
    QScrollBar *VScrollBar = nullptr, *HScrollBar = nullptr;
    TfrSpeedButton *PgUp = nullptr, *PgDown = nullptr;
    QLabel *Label1 = nullptr;
    QMenu *ProcMenu = nullptr;
    QAction *N2001 = nullptr, *N1501 = nullptr, *N1001 = nullptr, *N751 = nullptr, *N501 = nullptr, *N251 = nullptr,
            *N101 = nullptr, *N1 = nullptr, *N2 = nullptr, *N3 = nullptr, *N4 = nullptr, *N5 = nullptr, *N6 = nullptr,
            *N7 = nullptr;
    TfrPBox *PageBox = nullptr;

    int CurrentPage = 1;
    int OffsetX = 0, OffsetY = 0;
    int LastHPos = 0, LastVPos = 0;
    double Scale = 1.0;
    int ZoomMode = 0;
    bool Ready = false;
    QString SearchText;
    bool SearchCaseSensitive = false;
    bool SearchFound = false;
    QRect FoundRect;
    int SearchPage = 0;
    int SearchRecord = 0;
    std::function<void()> PageChangedHook;
    int WheelFactor = 1;
    TfrReport *Report = nullptr;
    std::unique_ptr<TfrEMFPages> ShownPages;
    // The zoom that the next preview starts with.
    static double LastScale;
    static int LastZoomMode;
    // The page-setup dialog: answers whether the user confirmed, with the margins chosen (in hundredths of a
    // millimetre). Tests replace it.
    static std::function<bool(TfrPreviewForm &form, QMarginsF &margins)> PageSetupDialog;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class TfrPBox;
    friend class TfrPreview;
    void HScrollChanged(int value);
    void VScrollChanged(int value);
    void ShowMenu(const QPoint &globalPos);
    // The commands run with the report holding its pages again, and the view made anew after.
    void WithPagesLent(const std::function<void()> &command, bool resetPosition);

    QActionGroup *m_zoomGroup = nullptr;
    QRect m_mark;
    QEventLoop *m_loop = nullptr;
    bool m_helpMode = false;
    bool m_embedded = false;
};

// A preview panel a program places on its own form and links to a report through the report's Preview.
class TfrPreview : public QFrame
{
    Q_OBJECT
public:
    explicit TfrPreview(QWidget *parent = nullptr);
    ~TfrPreview() override;

    void ShowPrepared(TfrReport *report);
    void ReleasePages();
    int GetPageNo() const;
    void DoPageChanged();
    void SetScrollBars(Qt::ScrollBarPolicy horizontal, Qt::ScrollBarPolicy vertical);
    void SetShowToolbar(bool show);
    bool ShowToolbar() const { return m_showToolbar; }
    TfrPreviewForm *Window() const { return m_window.get(); }

    std::function<void(TfrPreview *sender, int pageNo)> OnPageChanged;
    QMenu *PopupMenu = nullptr;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    std::unique_ptr<TfrPreviewForm> m_window;
    bool m_showToolbar = false;
    bool m_hasPages = false;
};

// The dialog of the text search.
class TfrPreviewSearchForm : public QDialog
{
    Q_OBJECT
public:
    explicit TfrPreviewSearchForm(QWidget *parent = nullptr);
    void Localize();

    QLabel *Label1 = nullptr;
    QLineEdit *Edit1 = nullptr;
    QCheckBox *CB1 = nullptr;
    QRadioButton *RB1 = nullptr, *RB2 = nullptr;
    QPushButton *Button1 = nullptr, *Button2 = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
};

// Puts the preview and the progress window behind the report engine (the program does this at start-up).
void frInstallPreview();
