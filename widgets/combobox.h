#pragma once
// A combo box with a list-view popup (so style-sheet item heights apply) that reports presses.
#include <QComboBox>

class QListView;

class ComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit ComboBox(QWidget* parent = nullptr);

    void setItemHeight(int h);
    void setItemWidth(int w);

    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    void clicked();

private:
    QListView* list_;
};
