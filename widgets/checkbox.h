#pragma once
// A touch switch with caption.
#include <QCheckBox>

class CheckBox : public QCheckBox {
    Q_OBJECT
public:
    CheckBox(QWidget* parent, const QString& text);

    int value() const { return isChecked() ? 1 : 0; }
    void setValue(int v) { setChecked(v != 0); }

    bool eventFilter(QObject* watched, QEvent* event) override;
};
