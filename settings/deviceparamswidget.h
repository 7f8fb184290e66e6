#pragma once
// The "Device parameters" page: the production data reported with the statistics (product name
// from the plant server's list, operator, cavities, expected capacity, batch) and the reset of the
// statistics kept for the network.
#include <optional>

#include <QStringList>

#include "widgets/bwidget.h"

class BComboBox;
class BLineEdit;
class QPushButton;
class QStringListModel;

class DeviceParamsWidget : public BWidget {
    Q_OBJECT
public:
    explicit DeviceParamsWidget(QWidget* parent);

    void WizardParaInit();
    void accept();
    // The label row (435-437) of the first number field whose text is no number 0..2147483647; 0
    // when all are.
    int refusedField() const;
    // What is said of edited texts the record keeps cut or with "?" (row 648), one per field.
    QStringList cutNotes() const;
    // The body of a product-list reply (session id 14), parsed and shown at once.
    void cnt_reset_product(const QString& body);
    // The same for the report server: parsed on a worker thread (a list of 40,000 names takes
    // longer than a monitoring pass may wait), then shown; while one is parsed only the newest
    // later reply is kept.
    void cnt_reset_product_later(const QString& body);
    // A reply being parsed or waiting.
    bool productReplyPending() const { return parsing_; }

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
    void ShowProducts(const QStringList& names);
    void ParseNext();

    QStringListModel* productModel_ = nullptr;  // the product names
    bool parsing_ = false;
    std::optional<QString> nextReply_;
    QString loadedProduct_;
    QString loadedOperator_;
};
