#pragma once

#include <QDialog>

class TfrView;

// The base of the designer's object editors (data sources, picture, text and script): a dialog that edits one
// object and answers its modal result.
class TfrObjEditorForm : public QDialog
{
    Q_OBJECT
public:
    explicit TfrObjEditorForm(QWidget *parent = nullptr);

    // Edits the object; the base shows nothing and answers OK (1).
    virtual int ShowEditor(TfrView *view);
};
