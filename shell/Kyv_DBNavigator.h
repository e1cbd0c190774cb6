#pragma once

#include "DataSource.h"

#include <QAbstractButton>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

// The navigator's buttons, in the order they stand.
enum TKyvNavigateControl {
    nbPost,
    nbCancel,
    nbInsert,
    nbDelete,
    nbEdit,
    nbProperty,
    nbRefresh,
    nbFirst,
    nbPrior,
    nbNext,
    nbLast
};
constexpr int KyvNavButtonCount = nbLast + 1;

// A set of navigator buttons, one bit a button.
class TKyvNavControlSet
{
public:
    constexpr TKyvNavControlSet() = default;
    constexpr TKyvNavControlSet(std::initializer_list<TKyvNavigateControl> buttons)
    {
        for (TKyvNavigateControl b : buttons)
            m_bits |= 1u << b;
    }
    constexpr bool contains(TKyvNavigateControl b) const { return m_bits & (1u << b); }
    constexpr bool operator==(const TKyvNavControlSet &) const = default;
    int count() const;

private:
    unsigned m_bits = 0;
};

enum TKyv_DBNavKind { nkHorizontal, nkVertical };

class TKyv_DBNavigator;

// One button of the navigator: a flat button showing the normal or the disabled half of its picture.
class TKyv_NavControl : public QAbstractButton
{
    Q_OBJECT
public:
    TKyv_NavControl(TKyv_DBNavigator *navigator, TKyvNavigateControl index);

    TKyvNavigateControl Index() const { return m_index; }
    // Loads the two glyphs of the picture "DBNH_<NAME>" or "DBNV_<NAME>".
    void LoadGlyphs(TKyv_DBNavKind kind);
    QSize sizeHint() const override { return QSize(20, 18); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    TKyv_DBNavigator *m_navigator;
    TKyvNavigateControl m_index;
    QPixmap m_glyph;
    QPixmap m_disabledGlyph;
    bool m_hover = false;
};

// Passes the linked dataset's notifications to its navigator.
class TKyv_NavDataLink : public TDataLink
{
public:
    explicit TKyv_NavDataLink(TKyv_DBNavigator *navigator)
        : m_navigator(navigator)
    {
    }

protected:
    void ActiveChanged() override;
    void DataSetChanged() override;
    void EditingChanged() override;

private:
    TKyv_DBNavigator *m_navigator;
};

// A row (or column) of buttons acting on the dataset of its data source.
class TKyv_DBNavigator : public QWidget
{
    Q_OBJECT
public:
    using EKyvNavClick = std::function<void(TKyv_DBNavigator *sender, TKyvNavigateControl button)>;
    using EKyvNavBtnClick = std::function<void(TKyv_DBNavigator *sender)>;

    explicit TKyv_DBNavigator(QWidget *parent = nullptr);
    ~TKyv_DBNavigator() override;

    TDataSource *DataSource() const;
    void SetDataSource(TDataSource *source);
    TKyvNavControlSet VisibleControls() const { return m_visible; }
    void SetVisibleControls(TKyvNavControlSet buttons);
    TKyv_DBNavKind Kind() const { return m_kind; }
    void SetKind(TKyv_DBNavKind kind);
    bool Flat() const { return m_flat; }
    void SetFlat(bool flat);
    QStringList Hints() const { return m_hints; }
    void SetHints(const QStringList &hints);
    bool ConfirmDelete() const { return m_confirmDelete; }
    void SetConfirmDelete(bool on) { m_confirmDelete = on; }
    // A navigator placed by its owner's layout keeps the size it is given; a free one shrinks to a whole
    // number of buttons.
    bool Aligned() const;
    void SetAligned(bool aligned);

    // Places the navigator and lays its buttons out at once, shown or not.
    void SetBounds(int left, int top, int width, int height);

    // What a layout gives the navigator: room for every visible button.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    TKyv_NavControl *Button(TKyvNavigateControl index) const { return m_buttons[index]; }
    TKyvNavigateControl FocusedButton() const { return m_focused; }
    // The button's work, as a click on it does it.
    void BtnClick(TKyvNavigateControl index);

    EKyvNavClick BeforeAction;
    EKyvNavClick OnClick;
    std::array<EKyvNavBtnClick, KyvNavButtonCount> OnBtnClick;
    EKyvNavBtnClick &OnPostBtnClick = OnBtnClick[nbPost];
    EKyvNavBtnClick &OnCancelBtnClick = OnBtnClick[nbCancel];
    EKyvNavBtnClick &OnInsertBtnClick = OnBtnClick[nbInsert];
    EKyvNavBtnClick &OnDeleteBtnClick = OnBtnClick[nbDelete];
    EKyvNavBtnClick &OnEditBtnClick = OnBtnClick[nbEdit];
    EKyvNavBtnClick &OnPropertyBtnClick = OnBtnClick[nbProperty];
    EKyvNavBtnClick &OnRefreshBtnClick = OnBtnClick[nbRefresh];
    EKyvNavBtnClick &OnFirstBtnClick = OnBtnClick[nbFirst];
    EKyvNavBtnClick &OnPriorBtnClick = OnBtnClick[nbPrior];
    EKyvNavBtnClick &OnNextBtnClick = OnBtnClick[nbNext];
    EKyvNavBtnClick &OnLastBtnClick = OnBtnClick[nbLast];

protected:
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    friend class TKyv_NavDataLink;
    friend class TKyv_NavControl;

    void ActiveChanged();
    void DataChanged();
    void EditingChanged();
    void InitHints();
    void AdjustSize();
    void SetFocusedButton(TKyvNavigateControl index);
    bool IsActive() const;

    std::unique_ptr<TKyv_NavDataLink> m_dataLink;
    std::array<TKyv_NavControl *, KyvNavButtonCount> m_buttons {};
    TKyvNavControlSet m_visible { nbPost, nbCancel, nbInsert, nbDelete, nbEdit, nbRefresh };
    TKyv_DBNavKind m_kind = nkHorizontal;
    bool m_flat = true;
    QStringList m_hints;
    bool m_confirmDelete = true;
    bool m_aligned = false;
    bool m_adjusting = false;
    bool m_enabling = false;
    TKyvNavigateControl m_focused = nbPost;
};
