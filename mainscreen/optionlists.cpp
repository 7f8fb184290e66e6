#include "mainscreen/optionlists.h"

#include <algorithm>

#include <QComboBox>
#include <QFontMetrics>
#include <QIcon>

#include "vision/camera/cameradiscovery.h"
#include "widgets/fittext.h"
#include "widgets/textrow.h"

static void registerRegionPagePictures()
{
    static bool done = false;
    if (!done) {
        Q_INIT_RESOURCE(regionpage);
        done = true;
    }
}

namespace OptionLists {

void InitPictures()
{
    registerRegionPagePictures();
}

void FillCameras(QComboBox* combo)
{
    combo->clear();
    combo->addItem(QIcon(":/img/icons/59.png"), textRow(43).arg(1), 0);
    for (int k = 2; k <= std::min(numCamera, 8); ++k)
        combo->addItem(QIcon(QString(":/img/icons/%1.png").arg(2 * k + 57)), textRow(43).arg(k), k - 1);
    if (numCamera > 1)
        combo->addItem(QIcon(":/img/icons/39a.png"), textRow(44), numCamera);
    FitTexts(combo);
}

void FitTexts(QComboBox* combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    const int px = FittingPixelSize(combo->font(), texts, kTextRoom, kTextPixels);
    // The bars' style sheets set the type size; the list's own rule wins over them.
    combo->setStyleSheet(px < kTextPixels ? QString("QComboBox{font-size:%1px;}").arg(px) : QString());
    // Still too long at the smallest readable size ("Live Image"): the icon gives up the pixels the
    // text lacks.
    QFont f = combo->font();
    f.setPixelSize(px);
    int widest = 0;
    for (const QString& t : texts)
        widest = std::max(widest, QFontMetrics(f).horizontalAdvance(t));
    combo->setIconSize(QSize(kIconWidth - std::max(0, widest - kTextRoom), 100));
}

void SizeList(QComboBox* combo)
{
    combo->setFixedSize(175, 112);
    combo->setIconSize(QSize(kIconWidth, 100));
}

bool Select(QComboBox* combo, int index)
{
    if (combo->currentIndex() == index)
        return false;
    combo->setCurrentIndex(index);
    return true;
}

}  // namespace OptionLists
