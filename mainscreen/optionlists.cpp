#include "mainscreen/optionlists.h"

#include <algorithm>

#include <QComboBox>
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
    const int px = FittingPixelSize(combo->font(), texts, kTextRoom, kTextPixels, 10);
    // The bars' style sheets set the type size; the list's own rule wins over them.
    combo->setStyleSheet(px < kTextPixels ? QString("QComboBox{font-size:%1px;}").arg(px) : QString());
}

void SizeList(QComboBox* combo)
{
    combo->setFixedSize(175, 112);
    combo->setIconSize(QSize(80, 100));
}

bool Select(QComboBox* combo, int index)
{
    if (combo->currentIndex() == index)
        return false;
    combo->setCurrentIndex(index);
    return true;
}

}  // namespace OptionLists
