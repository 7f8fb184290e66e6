#pragma once
// The multi-detection I/O grid: a pop-up over the settings screen where the operator sets the
// number of detect stages, which trigger row starts which stages, each row's trigger input and how
// its stages cut the machine's signals. Its state is loaded from the record in force once, at
// construction, and kept between openings; Confirm writes it into the edit copy.
#include <QWidget>

#include "settings/iogridmodel.h"
#include "widgets/paintedtexts.h"

class ColorButton;
class ComboBox;
class IOCheckComBO;
class SystemSettingWidget;

class IOWidget : public QWidget, public PaintedTexts {
    Q_OBJECT
public:
    explicit IOWidget(SystemSettingWidget* screen);

    // Loads N, claims, cut modes, trigger choices and names from gpWPara (construction only).
    void initIOWidget();
    // Re-applies the claims to the boxes and renames trigger items and columns.
    void ResetOutput();
    void ResetIOName();
    // The naming page's choices (indexes into gInName / gOutName).
    void setNameChoices(const int (&inChoice)[8], const int (&outChoice)[8]);

    const IOGridModel& model() const { return model_; }
    ComboBox* countCombo() const { return count_; }
    ColorButton* resetButton() const { return reset_; }
    ColorButton* confirmButton() const { return confirm_; }
    IOCheckComBO* rowWidget(int row) const { return row >= 0 && row < 8 ? rows_[row] : nullptr; }

signals:
    // After a Confirm in the multi-detection procedure: the re-detect label's new text.
    void reCheckTextChanged(const QString& text);
    // After a Confirm: the settings page to return to (the I/O parameters page).
    void pageRequested(int index);

public slots:
    void SlotChangeDetectNum(int index);
    void SlotClickCheckBox(int row, int column, int state);
    void SlotChangeTrigin(int row, int item);
    void SlotChangeCutMode(int row, int mode);
    void reset();
    void accept();

protected:
    void paintEvent(QPaintEvent* event) override;

public:
    // The title, centred over the pop-up's width (it is drawn unclipped beyond its 300 px box).
    QList<PaintedText> paintedTexts() const override;

private:
    void refresh();

    SystemSettingWidget* screen_;
    IOGridModel model_;
    ComboBox* count_;
    ColorButton* reset_;
    ColorButton* confirm_;
    IOCheckComBO* rows_[8];
};
