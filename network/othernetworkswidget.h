#pragma once
// The "Other networks" page of the settings screen: alarm SMS and NG-video switches with the
// technician's name and phone (parameter record), the Wi-Fi name and password (written to the
// system's Wi-Fi file at once), the plant servers' addresses and ports (the report client's
// database, at once), a traffic check per interface while the page shows, the statistics reset and
// the product-name and reminder-list requests.
#include "network/othernetworkfiles.h"
#include "widgets/bwidget.h"

class BLineEdit;
class CheckBox;
class QLabel;
class QPushButton;
class QTimer;

class OtherNetworksWidget : public BWidget {
    Q_OBJECT
public:
    static constexpr int kTrafficMs = 8000;

    explicit OtherNetworksWidget(QWidget* parent = nullptr);

    // Page protocol: load from gpWParaBak when the screen is shown, store back on accept.
    void WizardParaInit();
    void accept();
    void oldInit();
    // Row 648 for each edited text accept() stored cut or changed.
    QStringList cutNotes() const;

    const TrafficCheck& traffic() const { return traffic_; }
    QTimer* trafficTimer() const { return chkTimer; }

    CheckBox* smsSwitch = nullptr;
    CheckBox* ngVideoSwitch = nullptr;
    BLineEdit* techName = nullptr;
    BLineEdit* techPhone = nullptr;
    BLineEdit* wifiName = nullptr;
    BLineEdit* wifiPassword = nullptr;
    BLineEdit* infoServer = nullptr;
    BLineEdit* fileServer = nullptr;
    BLineEdit* infoPort = nullptr;
    BLineEdit* filePort = nullptr;
    QPushButton* updateWifi = nullptr;
    QPushButton* updateServer = nullptr;
    QLabel* trafficLines = nullptr;

public slots:
    void SlotWifi();
    void SlotServer();
    void SlotUpdateWifi();
    void SlotUpdateServer();
    void SlotStartChk();
    void SlotTimerChk();
    void SlotCloseWgt();
    void SlotResetStatistics();
    void SlotGetProductName();
    void SlotGetRemindList();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void ShowTraffic();

    QTimer* chkTimer = nullptr;
    TrafficCheck traffic_;
    QString loadedTech_;  // the technician's name and number as loaded: an untouched field keeps its bytes
    QString loadedPhone_;
};
