#pragma once
// One trigger row of the multi-detection grid: an optional caption, the trigger combo, one check
// box per detect stage and the cut combo. It shows what IOWidget's model says and reports the
// operator's touches; the rules live in IOGridModel.
#include <QStringList>
#include <QWidget>

class CheckBox;
class ComboBox;
class QHBoxLayout;
class QLabel;
class IOWidget;

class IOCheckComBO : public QWidget {
    Q_OBJECT
public:
    IOCheckComBO(IOWidget* parent, QString caption, int boxes);

    void setRow(int row) { row_ = row; }
    int row() const { return row_; }

    // Refills the trigger combo (signals blocked) and selects `current`.
    void setTriggerItems(const QStringList& items, int current);
    void setCutMode(int mode);
    // Box captions, shown columns, checks and enabled states come from the grid.
    void setColumnCaption(int column, const QString& caption);
    void setColumnShown(int column, bool shown);
    // Checkable with a yellow caption, or unchecked (signals blocked), uncheckable and grey.
    void setCheckdisable(int column, bool enable);
    bool getCheckComboStatus(int column) const;
    void setCheckComboStatus(int column, bool checked);
    // Boxes fit the grid's width: full width up to six stages, narrower for seven and eight.
    void setBoxWidth(int width);

    ComboBox* triggerCombo() const { return trigger_; }
    ComboBox* cutCombo() const { return cut_; }
    CheckBox* box(int column) const;

signals:
    void clickeCheckBox(int row, int column, int state);
    void changeTrigin(int row, int item);
    void changeCutMode(int row, int mode);

private:
    IOWidget* grid_;
    QLabel* caption_ = nullptr;
    ComboBox* trigger_;
    ComboBox* cut_;
    QList<CheckBox*> boxes_;
    QHBoxLayout* layout_;
    int row_ = 0;
};
