#include "mainscreen/picturebrowser.h"

#include <algorithm>

#include "mainscreen/regionpagelogic.h"
#include "mainscreen/templatefiles.h"

PictureBrowser::Shown PictureBrowser::Step(int source, int dir, const std::vector<int>& tempValid, int& tempIndex,
                                           int ngHeld, int& ngIndex)
{
    switch (source) {
    case 0:
        tempIndex = RegionPage::NextValidSlot(tempValid, tempIndex, dir);
        return Template;
    case 2: {
        // The NG ring holds at most three pictures.
        const int n = std::min(ngHeld, 3);
        ngIndex = n == 0 ? 0 : RegionPage::WrapStep(ngIndex, n, dir);
        return NgPicture;
    }
    case 3:
    case 4:
        if (names_.isEmpty())
            return None;
        index_ = RegionPage::WrapStep(index_, names_.size(), dir);
        return Record;
    default: return None;
    }
}

void PictureBrowser::Restart(int source)
{
    index_ = 0;
    recordsOK_ = source == 3;
}

void PictureBrowser::Open(const QString& dir)
{
    names_ = TemplateFiles::RecordNames(dir);
    if (names_.isEmpty()) {
        index_ = 0;
        label_.clear();
        picture_ = QImage();
        return;
    }
    index_ = std::clamp(index_, 0, int(names_.size()) - 1);
    const QString& name = names_[index_];
    label_ = name.left(name.size() - 4);
    picture_ = QImage(dir + "/" + name);
}
