#pragma once
// The statistics screen's second tab: eight temperature channels of the I/O board, each with its
// lower and upper limit (tenths of a degree) kept in the parameter record in force.
#include <QWidget>

class EditTempBox;

class TemperatureStatisticsWidget : public QWidget {
    Q_OBJECT
public:
    explicit TemperatureStatisticsWidget(QWidget* parent = nullptr);

    // Degrees of channels 0-7 into the boxes, in tenths truncated toward zero.
    void updateTemp(float* t);
    // True when a monitored channel lies outside its limits.
    bool judgeTemperature();
    EditTempBox* box(int i) const { return boxes_[i]; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    EditTempBox* boxes_[8] = {};
};
