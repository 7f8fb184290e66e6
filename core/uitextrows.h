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
extern const UiTextRow* const kUiTextRows_cycle;
extern const int kUiTextRowCount_cycle;
extern const UiTextRow* const kUiTextRows_failsafe;
extern const int kUiTextRowCount_failsafe;
extern const UiTextRow* const kUiTextRows_system;
extern const int kUiTextRowCount_system;
extern const UiTextRow* const kUiTextRows_camera;
extern const int kUiTextRowCount_camera;
extern const UiTextRow* const kUiTextRows_maintenance;
extern const int kUiTextRowCount_maintenance;
extern const UiTextRow* const kUiTextRows_io;
extern const int kUiTextRowCount_io;
extern const UiTextRow* const kUiTextRows_network;
extern const int kUiTextRowCount_network;
extern const UiTextRow* const kUiTextRows_networkpages;
extern const int kUiTextRowCount_networkpages;
extern const UiTextRow* const kUiTextRows_statistics;
extern const int kUiTextRowCount_statistics;
extern const UiTextRow* const kUiTextRows_damage;
extern const int kUiTextRowCount_damage;
