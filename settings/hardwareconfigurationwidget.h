#pragma once
// The read-only hardware configuration page: the pairs of "conf.txt" with the number of opened
// cameras in the "Count" row. Built once by the main window; the settings screen opens it.
#include <QList>
#include <QMap>
#include <QPair>
#include <QWidget>

class ColorButton;
class MainWindow;
class QGridLayout;
class QLabel;

// "conf.txt" lines: key TAB value ("_" stands for a blank in both), empty lines skipped, a line
// without TAB a key with an empty value, parts after a second TAB ignored.
QList<QPair<QString, QString>> ParseHardwareConfiguration(const QByteArray& text);

class HardwareConfigurationWidget : public QWidget {
    Q_OBJECT
public:
    // The main window keeps the page (it owns it) but the page is a window of its own.
    explicit HardwareConfigurationWidget(MainWindow* win);

    // "conf.txt" of the working directory, in file order; empty when it cannot be read.
    static void loadConfiguration(QList<QPair<QString, QString>>& pairs);
    // The same by key; a later line replaces an earlier one with the same key.
    static void loadConfiguration(QMap<QString, QString>& pairs);

    ColorButton* confirmButton = nullptr;
    QLabel* countLabel = nullptr;  // the value of the "Count" row, if there is one

public slots:
    // Back to the settings screen.
    void slotConfirm();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QGridLayout* grid_ = nullptr;
};
