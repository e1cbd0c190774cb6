#include "FR_Expr.h"

#include "FR_Color.h"
#include "FR_DataDict.h"
#include "FR_Fields.h"
#include "FR_Globals.h"
#include "FR_Locale.h"
#include "FR_Utils.h"
#include "ReportFunctions.h"

#include "WidgetKit.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

QString LastVarCategory;

namespace {

// The system variables the variable dialog offers, with the engine strings that name them.
struct TSystemVariable
{
    int CaptionId;
    const char *Name;
};
constexpr TSystemVariable SystemVariables[] = {
    { 55110, "PAGE#" },
    { 55112, "DATE" },
    { 55113, "TIME" },
    { 55114, "LINE#" },
    { 55115, "LINETHROUGH#" },
    { 55116, "COLUMN#" },
    { 55117, "CURRENT#" },
    { 55118, "TOTALPAGES" },
};

const char *const OperatorCaptions[] = { "+", "-", "*", "/", "=", "<>", ">", "<", ">=", "<=", "And", "Or", "Not" };

template <class T> T *Named(T *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// The syntax on a white ground, the description on the hint colour below it.
void MakeFunctionLabels(QWidget *parent, QLabel *&syntax, QLabel *&description)
{
    syntax = Named(new QLabel(parent), "FuncLabel");
    description = Named(new QLabel(parent), "DescrLabel");
    for (QLabel *label : { syntax, description }) {
        label->setTextFormat(Qt::PlainText);
        label->setAutoFillBackground(true);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    }
    QPalette palette = syntax->palette();
    palette.setColor(QPalette::Window, Qt::white);
    syntax->setPalette(palette);
    palette.setColor(QPalette::Window, toQColor(clInfoBk));
    palette.setColor(QPalette::WindowText, toQColor(clInfoText));
    description->setPalette(palette);
    description->setWordWrap(true);
    description->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    description->setMinimumHeight(48);
}

} // namespace

QString BracketIfNeeded(const QString &name)
{
    // The characters are judged as they stand: a letter whose capital is Latin (the German sharp s) is still a
    // foreign letter to the parser.
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        const bool plain = u == u'.' || u == u'_' || (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z')
            || (u >= u'a' && u <= u'z');
        if (!plain)
            return u'[' + name + u']';
    }
    return name;
}

// ---- TfrExprForm ----------------------------------------------------------------------------------------------

TfrExprForm::TfrExprForm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frExprForm"));
    setWindowTitle(GetLocaleString(53700));
    GroupBox1 = Named(new QGroupBox(GetLocaleString(53701), this), "GroupBox1");
    ExprMemo = Named(new QPlainTextEdit(GroupBox1), "ExprMemo");
    ExprMemo->installEventFilter(this);
    auto *memoLayout = new QVBoxLayout(GroupBox1);
    memoLayout->addWidget(ExprMemo);

    GroupBox2 = Named(new QGroupBox(GetLocaleString(53702), this), "GroupBox2");
    auto *operators = new QGridLayout;
    operators->setSpacing(2);
    for (int i = 0; i < 13; ++i) {
        auto *button = new TfrSpeedButton(GroupBox2);
        button->setObjectName(QStringLiteral("frSpeedButton%1").arg(i + 1));
        button->SetCaption(QString::fromLatin1(OperatorCaptions[i]));
        button->setFixedSize(32, 22);
        button->OnClick = [this, button](QObject *) { InsertText(button->Caption() + u' '); };
        operators->addWidget(button, i / 7, i % 7);
        OperatorButtons << button;
    }
    InsDBBtn = DesignerDialogButton(GroupBox2, "InsDBBtn", 53703);
    InsVarBtn = DesignerDialogButton(GroupBox2, "InsVarBtn", 53704);
    InsFuncBtn = DesignerDialogButton(GroupBox2, "InsFuncBtn", 53705);
    auto *inserts = new QHBoxLayout;
    for (QPushButton *button : { InsDBBtn, InsVarBtn, InsFuncBtn }) {
        button->setAutoDefault(false);
        inserts->addWidget(button);
    }
    auto *insertLayout = new QVBoxLayout(GroupBox2);
    insertLayout->addLayout(operators);
    insertLayout->addLayout(inserts);

    QHBoxLayout *buttons = OkCancelButtons(this, Button1, Button2);
    connect(InsDBBtn, &QPushButton::clicked, this, &TfrExprForm::InsDBBtnClick);
    connect(InsVarBtn, &QPushButton::clicked, this, &TfrExprForm::InsVarBtnClick);
    connect(InsFuncBtn, &QPushButton::clicked, this, &TfrExprForm::InsFuncBtnClick);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1, 1);
    layout->addWidget(GroupBox2);
    layout->addLayout(buttons);
    resize(400, 300);
    ExprMemo->setFocus();
}

bool TfrExprForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ExprMemo && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        reject();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfrExprForm::InsertText(const QString &text)
{
    QTextCursor cursor = ExprMemo->textCursor();
    cursor.insertText(text);
    ExprMemo->setTextCursor(cursor);
    ExprMemo->setFocus();
}

void TfrExprForm::InsDBBtnClick()
{
    TfrFieldsForm fields(this);
    if (fields.exec() == QDialog::Accepted && !fields.FieldText.isEmpty())
        InsertText(BracketIfNeeded(fields.FieldText));
}

void TfrExprForm::InsVarBtnClick()
{
    TfrVarForm variables(this);
    if (variables.exec() == QDialog::Accepted && !variables.VarName.isEmpty())
        InsertText(BracketIfNeeded(variables.VarName));
}

void TfrExprForm::InsFuncBtnClick()
{
    TfrFuncForm functions(this);
    if (functions.exec() != QDialog::Accepted)
        return;
    const QString name = functions.SelectedFunction();
    if (name.isEmpty())
        return;
    if (!functions.FuncLabel->text().contains(u'(')) {
        InsertText(BracketIfNeeded(name));
        return;
    }
    TfrFuncArgForm arguments(this);
    arguments.FuncLabel->setText(functions.FuncLabel->text());
    arguments.DescrLabel->setText(functions.DescrLabel->text());
    arguments.Expression = name;
    if (arguments.exec() == QDialog::Accepted)
        InsertText(arguments.Expression);
}

// ---- TfrFuncForm ----------------------------------------------------------------------------------------------

TfrFuncForm::TfrFuncForm(QWidget *parent)
    : QDialog(parent)
{
    InitDesignerGlyphs();
    setObjectName(QStringLiteral("frFuncForm"));
    setWindowTitle(GetLocaleString(53720));
    Tree1 = Named(new QTreeWidget(this), "Tree1");
    Tree1->setHeaderHidden(true);
    Tree1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FuncLB = Named(new TfrIconListBox(QPixmap(QStringLiteral(":/designer/FUNCTION")), this), "FuncLB");
    MakeFunctionLabels(this, FuncLabel, DescrLabel);
    QHBoxLayout *buttons = OkCancelButtons(this, Button1, Button2);
    connect(FuncLB, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(FuncLB, &QListWidget::itemSelectionChanged, this, &TfrFuncForm::ShowFunction);
    connect(Tree1, &QTreeWidget::currentItemChanged, this, &TfrFuncForm::ShowCategory);

    auto *lists = new QHBoxLayout;
    lists->addWidget(Tree1);
    lists->addWidget(FuncLB, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(lists, 1);
    layout->addWidget(FuncLabel);
    layout->addWidget(DescrLabel);
    layout->addLayout(buttons);
    resize(460, 320);

    auto *root = new QTreeWidgetItem(Tree1, QStringList { GetLocaleString(55348) });
    root->setIcon(0, QPixmap(QStringLiteral(":/designer/ALLFUNCTIONS")));
    QStringList categories;
    frEngine().InstalledFunctions().GetCategoryList(categories);
    for (const QString &category : categories) {
        auto *node = new QTreeWidgetItem(root, QStringList { category });
        node->setIcon(0, QPixmap(QStringLiteral(":/designer/CATEGORY")));
    }
    Tree1->expandAll();
    Tree1->setCurrentItem(root);
}

QString TfrFuncForm::SelectedFunction() const
{
    return FuncLB->SelectedText();
}

void TfrFuncForm::ShowCategory()
{
    QStringList functions;
    if (const QTreeWidgetItem *node = Tree1->currentItem())
        frEngine().InstalledFunctions().GetFunctionList(node->text(0), functions);
    FuncLB->SetItems(functions);
    ShowFunction();
}

void TfrFuncForm::ShowFunction()
{
    // A description is the syntax, "/" and the text.
    const QString description = frEngine().InstalledFunctions().GetFunctionDescription(SelectedFunction());
    const int slash = int(description.indexOf(u'/'));
    FuncLabel->setText(description.left(std::max(slash, 0)));
    DescrLabel->setText(description.mid(slash + 1, 1000));
}

// ---- TfrFuncArgForm -------------------------------------------------------------------------------------------

TfrFuncArgForm::TfrFuncArgForm(QWidget *parent)
    : QDialog(parent)
{
    InitDesignerGlyphs();
    setObjectName(QStringLiteral("frFuncArgForm"));
    setWindowTitle(GetLocaleString(53730));
    MakeFunctionLabels(this, FuncLabel, DescrLabel);
    auto *grid = new QGridLayout;
    QLabel **labels[] = { &Label1, &Label2, &Label3 };
    TfrComboEdit **edits[] = { &ArgEdit1, &ArgEdit2, &ArgEdit3 };
    for (int i = 0; i < 3; ++i) {
        auto *label = new QLabel(GetLocaleString(53731) + QStringLiteral(" &%1").arg(i + 1), this);
        label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        auto *edit = new TfrComboEdit(this);
        edit->setObjectName(QStringLiteral("ArgEdit%1").arg(i + 1));
        edit->SetGlyph(QPixmap(QStringLiteral(":/designer/ELLIPSIS")));
        edit->OnButtonClick = [this, edit](QObject *) {
            TfrExprForm builder(this);
            if (builder.exec() == QDialog::Accepted)
                edit->setEditText(builder.ExprMemo->toPlainText());
        };
        label->setBuddy(edit);
        grid->addWidget(label, i, 0);
        grid->addWidget(edit, i, 1);
        *labels[i] = label;
        *edits[i] = edit;
    }
    ArgEdit1->SetButtonHint(GetLocaleString(53575));
    QHBoxLayout *buttons = OkCancelButtons(this, Button1, Button2);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(FuncLabel);
    layout->addWidget(DescrLabel);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    resize(420, 240);
}

void TfrFuncArgForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    SetControlsEnabled({ Label2, ArgEdit2, Label3, ArgEdit3 }, false);
    // Each comma of the syntax opens one more argument.
    const qsizetype commas = FuncLabel->text().count(u',');
    if (commas >= 1)
        SetControlsEnabled({ Label2, ArgEdit2 }, true);
    if (commas >= 2)
        SetControlsEnabled({ Label3, ArgEdit3 }, true);
    ArgEdit1->setFocus();
}

void TfrFuncArgForm::done(int result)
{
    QString call = Expression + u'(' + ArgEdit1->currentText();
    for (const TfrComboEdit *edit : { ArgEdit2, ArgEdit3 })
        if (!edit->currentText().isEmpty())
            call += QStringLiteral(", ") + edit->currentText();
    Expression = call + u')';
    QDialog::done(result);
}

// ---- TfrVarForm -----------------------------------------------------------------------------------------------

TfrVarForm::TfrVarForm(QWidget *parent)
    : QDialog(parent)
{
    InitDesignerGlyphs();
    setObjectName(QStringLiteral("frVarForm"));
    setWindowTitle(GetLocaleString(53440));
    CategoryLB = Named(new TfrIconListBox(QPixmap(QStringLiteral(":/designer/CATEGORY")), this), "CategoryLB");
    VarLB = Named(new TfrIconListBox(QPixmap(QStringLiteral(":/designer/VARIABLE")), this), "VarLB");
    QHBoxLayout *buttons = OkCancelButtons(this, Button1, Button2);
    connect(VarLB, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(CategoryLB, &QListWidget::itemSelectionChanged, this, &TfrVarForm::ShowVariables);

    auto *lists = new QHBoxLayout;
    lists->addWidget(CategoryLB);
    lists->addWidget(VarLB);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(lists, 1);
    layout->addLayout(buttons);
    resize(360, 280);
}

void TfrVarForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    QStringList categories;
    if (TfrDataDictionary *dictionary = CurrentDictionary())
        dictionary->GetCategoryList(categories);
    categories << GetLocaleString(55075);
    CategoryLB->SetItems(categories, LastVarCategory);
}

bool TfrVarForm::SystemCategory() const
{
    return CategoryLB->count() > 0 && CategoryLB->currentRow() == CategoryLB->count() - 1;
}

void TfrVarForm::ShowVariables()
{
    QStringList variables;
    if (SystemCategory()) {
        for (const TSystemVariable &v : SystemVariables)
            variables << GetLocaleString(v.CaptionId);
    } else if (TfrDataDictionary *dictionary = CurrentDictionary()) {
        dictionary->GetVariableList(CategoryLB->SelectedText(), variables);
    }
    VarLB->clear();
    VarLB->addItems(variables);
}

void TfrVarForm::done(int result)
{
    if (result == QDialog::Accepted) {
        if (!SystemCategory()) {
            VarName = VarLB->SelectedText();
        } else {
            const int row = VarLB->SelectedText().isEmpty() ? 0 : VarLB->currentRow();
            VarName = QString::fromLatin1(SystemVariables[row].Name);
        }
    }
    LastVarCategory = CategoryLB->SelectedText();
    QDialog::done(result);
}
