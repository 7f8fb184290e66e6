#pragma once
// The camera list shared by the region and alarm option bars.
class QComboBox;
class QWidget;

namespace OptionLists {
// Registers the region page's pictures (once).
void InitPictures();
// Fills `combo` with "Camera 1".."Camera numCamera" and, with more than one camera, "All Camera".
void FillCameras(QComboBox* combo);
// Style of a list box: fixed 175 x 112, icons 80 x 100.
void SizeList(QComboBox* combo);
// Sets the list's entries in smaller type when the widest does not fit beside the icon (the
// camera and stage numbers are never cut). Called once the entries are in.
void FitTexts(QComboBox* combo);
// Room for an entry's text beside the icon and the drop-down arrow, and the bars' type size.
constexpr int kTextRoom = 70;
constexpr int kIconWidth = 80;
constexpr int kTextPixels = 18;
// Selects entry `index`; when it is already selected nothing is emitted. True when it changed.
bool Select(QComboBox* combo, int index);
}  // namespace OptionLists
