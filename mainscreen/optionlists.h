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
// Selects entry `index`; when it is already selected nothing is emitted. True when it changed.
bool Select(QComboBox* combo, int index);
}  // namespace OptionLists
