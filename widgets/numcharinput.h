#pragma once
// The global alphanumeric keypad: a digit row and three letter rows in two cases or punctuation.
// Types into the keypad target without ever taking the focus; a key with no target does nothing.
#include <QWidget>

class QButtonGroup;
class ColorButton;

class NumCharInput : public QWidget {
    Q_OBJECT
public:
    explicit NumCharInput(QWidget* parent = nullptr);

    ColorButton* key(int index) const { return keys_[index]; }

public slots:
    void SlotChgChar_Punc();
    void setContent(int id);
    void eraseContent();
    void HideUpdate();
    void SlotCap();

protected:
    void mousePressEvent(QMouseEvent*) override {}
    void mouseReleaseEvent(QMouseEvent*) override {}
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void setRows(const char* row1, const char* row2, const char* row3);

    QButtonGroup* group_;
    ColorButton* keys_[41];  // 0-10 digits, 11-36 letter rows, 37 switch, 38 caps, 39 BS, 40 Confirm
};
