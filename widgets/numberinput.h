#pragma once
// The global numeric keypad: types into the keypad target (the focused entry field) without ever
// taking the focus. A key pressed while there is no target does nothing.
#include <QWidget>

class QButtonGroup;
class QPushButton;

class NumberInput : public QWidget {
    Q_OBJECT
public:
    explicit NumberInput(QWidget* parent = nullptr);

    bool firstKey() const { return first_; }

signals:
    void chkpassword();

public slots:
    void setContent(int id);
    void eraseContent();
    void eraseAll();
    void HideUpdate();

protected:
    void mousePressEvent(QMouseEvent*) override {}
    void mouseReleaseEvent(QMouseEvent*) override {}
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QButtonGroup* group_;
    QPushButton* digits_[10];
    QPushButton* confirm_;
    QPushButton* back_;
    bool first_ = true;
};
