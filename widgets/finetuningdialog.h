#pragma once
// A floating cross of five picture buttons: four arrows pan the picture of the camera shown alone
// (held down they repeat), the centre button restores the whole picture.
#include "widgets/bwidget.h"

class QPushButton;

class FinetuningDialog : public BWidget {
    Q_OBJECT
public:
    explicit FinetuningDialog(QWidget* parent = nullptr);

    QPushButton* upButton() const { return up_; }
    QPushButton* rightButton() const { return right_; }
    QPushButton* downButton() const { return down_; }
    QPushButton* leftButton() const { return left_; }
    QPushButton* wholeButton() const { return whole_; }

protected:
    void paintEvent(QPaintEvent*) override {}

private:
    QPushButton* up_;
    QPushButton* right_;
    QPushButton* down_;
    QPushButton* left_;
    QPushButton* whole_;
};
