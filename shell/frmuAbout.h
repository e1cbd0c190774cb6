#pragma once

#include <QDialog>

class QLabel;

// "О программе..": the product, its version, the operating system and the maker's contact lines.
class TfrmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmAbout(QWidget *parent = nullptr);

    QLabel *lblVersion = nullptr;
    QLabel *lblOS = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

// Creates the about box, shows it modally and frees it.
void ShowAboutBox();
