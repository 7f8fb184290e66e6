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
    // Sets every entry's text (the one shown may change) in the largest size from `px` down that fits
    // beside the arrow, with 8 px before the text and 4 px after it instead of the program's 32 px
    // paddings, which leave a narrow combo little room. Call once the size and the entries are set.
    void fitTexts(int px);

    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    void clicked();

private:
    QListView* list_;
};
