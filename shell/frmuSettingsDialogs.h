#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

// "Параметры подключения к CAS серверу": the CAS host and port, edited in place of the caller's texts.
class TfrmCasServerParams : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmCasServerParams(QWidget *parent = nullptr);

    QLineEdit *edServerIP = nullptr;
    QLineEdit *edPort = nullptr;
};

// Answers true on "Ok", with the edited host and port written back.
bool executeCasServerParams(QString &host, QString &port);

// "Тест округления": tries the money rounding on a number with a number of digits.
class TfrmRoundTest : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmRoundTest(QWidget *parent = nullptr);

    QLineEdit *edNumber = nullptr;
    QLineEdit *edDigits = nullptr;
    QLineEdit *edResult = nullptr;
    QPushButton *btnRound = nullptr;

    // "Округлить": the rounded number as float text, or "Ошибка" when either input is not a number.
    void Round();
};

void ShowRoundTest();
