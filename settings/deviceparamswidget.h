#pragma once
// The "Device parameters" page: the production data reported with the statistics (product name
// from the plant server's list, operator, cavities, expected capacity, batch) and the reset of the
// statistics kept for the network.
#include "widgets/bwidget.h"

class BComboBox;
class BLineEdit;
class QPushButton;

class DeviceParamsWidget : public BWidget {
    Q_OBJECT
public:
    explicit DeviceParamsWidget(QWidget* parent);

    void WizardParaInit();
    void accept();
    // The report server hands over the body of a product-list reply (session id 14).
    void cnt_reset_product(const QString& body);

    BComboBox* productName = nullptr;
    QPushButton* getProductButton = nullptr;
    BLineEdit* operatorName = nullptr;
    BLineEdit* cavity = nullptr;
    BLineEdit* expectedCapacity = nullptr;
    BLineEdit* productBatch = nullptr;
    QPushButton* resetStatisticsButton = nullptr;

public slots:
    // Asks the plant server for its product list when reporting is on and the client linked.
    void SlotGetProductName();
    // Asks, then removes the network statistics records and pictures at once.
    void SlotResetStatistics();

private:
    QString loadedProduct_;
    QString loadedOperator_;
};
