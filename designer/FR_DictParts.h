#pragma once

// What the pages of the data dictionary editor share: node pictures and texts, and the lists and trees whose
// names move between them by buttons and by dragging.
#include "FR_Dict.h"

#include <QListWidget>
#include <QTreeWidget>

class QEvent;
class QGroupBox;
class QLabel;
class TfrSpeedButton;

// The picture of a node (TfrDictForm::TNodeImage); niNone for a node without one.
int NodeImage(const QTreeWidgetItem *node);
void SetNodeImage(QTreeWidgetItem *node, int image);
QTreeWidgetItem *AddNode(QTreeWidgetItem *parent, const QString &text, int image);

// A node's text with an alias is its own name, a blank and the alias in braces.
QString AliasedText(const QString &name, const QString &alias);
// The text before "{" without surrounding blanks.
QString OwnName(const QString &text);
// The text between "{" and "}"; the whole text when it has none.
QString ShownAlias(const QString &text);

// Takes the node's children out of the tree; answers their own names.
QStringList TakeChildNames(QTreeWidgetItem *node);

// A list of names, each with the same glyph, kept in the order of the alphabet.
void AddListNames(QListWidget *list, const QStringList &names, const QPixmap &glyph);
// Takes the selected names out of the list; the list then selects the row at the first one's place, or the last
// row when that place is past the end.
QStringList TakeSelectedNames(QListWidget *list);

// The button "frSpeedButton<number>" that moves names between a list and a tree.
TfrSpeedButton *DictMoveButton(QWidget *parent, int number, const char *caption);
// The layout of the alias pages, which the page given as the list's parent takes: the list of names left, the
// move buttons between it and the tree, the tree and its options right.
QWidget *DictAliasPage(const char *name, QLabel *label, QListWidget *list, const QList<TfrSpeedButton *> &moves,
    QTreeWidget *tree, QGroupBox *options);

// Drags between the lists and trees of a page carry the name of the widget they start from, so that each
// drops only on its partner.
class TfrDictListBox : public QListWidget
{
    Q_OBJECT
public:
    explicit TfrDictListBox(const char *name, QWidget *parent);

protected:
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QList<QListWidgetItem *> &items) const override;
};

class TfrDictTree : public QTreeWidget
{
    Q_OBJECT
public:
    explicit TfrDictTree(const char *name, QWidget *parent);

protected:
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QList<QTreeWidgetItem *> &items) const override;
};

// Answers true for every drag event, which the view must then not handle itself: the view takes only the drags
// that `source` started, and `dropped` is set for such a drop, which the caller then carries out.
bool TakeDragFrom(QEvent *event, const QWidget *source, bool &dropped);
