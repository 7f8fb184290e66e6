#pragma once
// The standard push button, painted from the shared button pictures with a white caption.
#include <QPixmap>
#include <QPushButton>

#include "widgets/paintedtexts.h"

class ColorButton : public QPushButton, public PaintedTexts {
public:
    // style 3 most buttons, 4 the side panel, 5 the camera view (caption sizes differ).
    ColorButton(const QString& text, QWidget* parent, int style);
    // A picture button: the picture stretched over the button, no caption.
    ColorButton(QPixmap pixmap, QWidget* parent);

    void SetRepeat();
    void setPixmap(QPixmap pixmap) { pixmap_ = std::move(pixmap); update(); }
    int style() const { return style_; }
    // Caption pixel size for a style in the language in force (0: none set).
    static int captionPixelSize(int style);
    // The caption as painted: its font (set smaller when wider than the key) over the whole key.
    QList<PaintedText> paintedTexts() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int style_;
    int isPicture_;
    QPixmap pixmap_;
};
