#pragma once

#include <QDialog>
#include <QImage>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// The description of a report saved as a gallery template: a comment and a picture.
class TfrTemplNewForm : public QDialog
{
    Q_OBJECT
public:
    explicit TfrTemplNewForm(QWidget *parent = nullptr);

    // Starts empty; on OK answers true with the comment's lines and the picture (null when none was chosen).
    static bool Execute(QStringList &description, QImage &picture);

    QPlainTextEdit *Memo1;
    QLabel *Image1;
    QPushButton *Button1, *Button2, *Button3;

private:
    void BrowseClick();

    QImage m_picture;
};
