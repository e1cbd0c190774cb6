#pragma once

#include "FR_Ctrls.h"

#include <QComboBox>
#include <QPixmap>
#include <QWidget>

class QLabel;

// The combo box of the designer's toolbars and dialogs: an edit part with a small button, drawn flat until it is
// hot (under the mouse, focused or dropped down), with a list that opens upward when there is no room below it.
class TfrCustomComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit TfrCustomComboBox(QWidget *parent = nullptr);

    int ButtonWidth() const { return m_buttonWidth; }
    // The room left of the edit part for a picture (0 for none).
    int PictureIndent() const { return m_pictureIndent; }
    void SetPictureIndent(int value);
    int ItemHeight() const { return m_itemHeight; }
    void SetItemHeight(int value);
    int DropDownCount() const { return maxVisibleItems(); }
    void SetDropDownCount(int value) { setMaxVisibleItems(value); }

    // Hot: drawn with its sunken edge and raised button.
    bool IsHot() const;
    bool DroppedDown() const { return m_droppedDown; }
    // The list was last opened above the box, for want of room below it.
    bool ListOpenedUpward() const { return m_listUpward; }

    void showPopup() override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    // Paints the picture area of the edit part; the base fills it with the window colour when there is one.
    virtual void DrawImage(QPainter &painter, int index, const QRect &rect);
    // Paints one row of the list.
    virtual void DrawItem(QPainter &painter, int index, const QRect &rect, bool selected);
    // The list has just opened, or has closed and the choice, if any, has been taken.
    virtual void DropDown() { }
    virtual void CloseUp() { }
    QWidget *ListWindow() const;

    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class TfrComboItemDelegate;
    void PlaceEdit();
    void PlaceList();
    void PaintButton(QPainter &painter, int state);

    int m_buttonWidth = 11;
    int m_pictureIndent = 0;
    int m_itemHeight = 0;
    bool m_mouseInside = false;
    bool m_droppedDown = false;
    bool m_listUpward = false;
};

// The size and line-width boxes of the toolbars and the font size boxes of the options.
class TfrComboBox : public TfrCustomComboBox
{
    Q_OBJECT
public:
    using TfrCustomComboBox::TfrCustomComboBox;

    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool value);

private:
    bool m_readOnly = false;
};

// The sample of a font shown beside the font list while it is open.
class TfrFontPreview : public QWidget
{
    Q_OBJECT
public:
    explicit TfrFontPreview(QWidget *combo);

    void ShowFont(const QString &family);

    QLabel *Panel;
};

// The font name box: the installed families and the names templates are written with, the recently chosen ones
// first; a mark tells the scalable ones.
class TfrFontComboBox : public TfrCustomComboBox
{
    Q_OBJECT
public:
    // The type bit of a scalable font.
    static constexpr int TrueTypeFont = 4;
    static constexpr int MRUCount = 5;

    explicit TfrFontComboBox(QWidget *parent = nullptr);

    // Rebuilds the list; the current text stays when the new list holds it, else the first item is taken.
    virtual void FillFonts();
    // The type bits of item i.
    int FontType(int index) const;

    QString MRURegKey() const { return m_mruRegKey; }
    // An empty key sets the default again.
    void SetMRURegKey(const QString &value);

    // Keep the recently chosen fonts (in the registry under MRURegKey); set before the box is first shown.
    bool ShowMRU = true;
    // The last of the remembered fonts heading the list; -1 when none is.
    int LastMRUIndex = -1;
    // A font chosen by the user (not while the list is being rebuilt or reordered).
    TfrNotifyEvent OnClick;

    TfrFontPreview *Preview;

protected:
    void DrawImage(QPainter &painter, int index, const QRect &rect) override;
    void DrawItem(QPainter &painter, int index, const QRect &rect, bool selected) override;
    void DropDown() override;
    void CloseUp() override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void Remember();
    void WriteMRU();
    void FitItemHeight();

    QString m_mruRegKey;
    QPixmap m_trueTypeMark;
    bool m_updating = false;
    bool m_filled = false;
};
