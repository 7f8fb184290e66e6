#pragma once
// The paging row under long tables: first, previous, "1".."4", the page-number field, next, last.
// It only lays the controls out; the page that holds it wires them.
#include "widgets/bwidget.h"

class QPushButton;
class BLineEdit;

class PageControlBar : public BWidget {
    Q_OBJECT
public:
    explicit PageControlBar(QWidget* parent = nullptr);

    QPushButton* firstButton() const { return first_; }
    QPushButton* previousButton() const { return previous_; }
    // n from 1 to 4.
    QPushButton* pageButton(int n) const { return (n >= 1 && n <= 4) ? pages_[n - 1] : nullptr; }
    QPushButton* nextButton() const { return next_; }
    QPushButton* lastButton() const { return last_; }
    BLineEdit* pageField() const { return pageField_; }

private:
    QPushButton* first_;
    QPushButton* previous_;
    QPushButton* pages_[4];
    QPushButton* next_;
    QPushButton* last_;
    BLineEdit* pageField_;
};
