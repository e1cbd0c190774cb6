#pragma once

#include "KyvFrames.h"

#include <functional>

class QPushButton;
class TDataSet;
class TDataSource;
class TDBDateTimeEditEh;
class TDBEditEh;
class TDBLookupComboboxEh;
class TDBNumberEditEh;
class TField;

// A service billed by fact, on the current row of custDM's cdsCustSingleService: the service from the price
// list, how many, at what price, the amount that follows, a note and the date. The price follows the chosen
// service; the amount follows quantity and price.
class TfrmCustomerService : public TfrmKyvModal
{
    Q_OBJECT
public:
    explicit TfrmCustomerService(QWidget *parent = nullptr);
    ~TfrmCustomerService() override;

    TDataSource *dsCustSingleService = nullptr;
    TDBLookupComboboxEh *cbService = nullptr;
    QPushButton *btnServiceGuide = nullptr;
    TDBNumberEditEh *edQuantity = nullptr;
    TDBNumberEditEh *edPrice = nullptr;
    TDBNumberEditEh *edAmount = nullptr;
    TDBEditEh *edNotice = nullptr;
    TDBDateTimeEditEh *edServiceDate = nullptr;
    QPushButton *btnOk = nullptr;
    QPushButton *btnCancel = nullptr;

    // PRICE := the chosen service's price in the price list, then the amount again.
    void TakeTariffPrice();
    // AMOUNT := PRICE * QUANTITY, 0 when either is missing.
    void CalcServiceAmount();
    // False with the error shown and the focus on the service while none is chosen.
    bool validateInput();

protected:
    void reject() override;

private:
    void btnServiceGuideClick();
    void btnOkClick();
    TDataSet *service() const;
    void watchField(const char *name, std::function<void()> onChange);

    // The handlers the module's fields had before the dialog watched them, put back when it goes.
    struct TWatched
    {
        TField *field;
        std::function<void(TField *)> previous;
    };
    std::vector<TWatched> m_watched;
    bool m_calculating = false;
};

// A new service row of the current customer (the module's defaults, the price of the first service);
// true when it was stored with "Готово".
bool executeNewCustomerService();
// The current service row; true when the change was stored with "Готово".
bool executeEditCustomerService();
