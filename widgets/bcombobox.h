#pragma once
// A combo box whose popup is a list view (so style-sheet item heights apply).
#include <QComboBox>

class BComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit BComboBox(QWidget* parent = nullptr);
};
