#pragma once
// Literal rows of the text table, split over several sources by row range.

struct UiTextRow {
    int row;
    const char* zh;  // Simplified Chinese, UTF-8
    const char* en;
    const char* tw;  // Traditional Chinese, UTF-8
};

extern const UiTextRow kUiTextRows0[];
extern const int kUiTextRowCount0;
extern const UiTextRow kUiTextRows1[];
extern const int kUiTextRowCount1;
extern const UiTextRow kUiTextRows2[];
extern const int kUiTextRowCount2;
extern const UiTextRow kUiTextRows3[];
extern const int kUiTextRowCount3;
