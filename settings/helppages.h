#pragma once
// The manual pages the help page steps through: PNG files of "./help/" (Simplified Chinese) or
// "./help-en/" (any other language), in name order, at most 50.
#include <QString>
#include <QStringList>

constexpr int kHelpMaxPages = 50;
constexpr int kHelpAlarmPage = 4;   // the page on alarm handling

QString HelpDirectory(int language);
// The picture files in page order ("<dir><name>"); empty when there is none.
QStringList HelpPageFiles(const QString& dir);

// Page stepping over `count` pages (at least 1: with no picture the camera picture is the one
// page). A page the count does not reach (the alarm page, the region page's help page) shows the
// last page.
struct HelpStepper {
    int count = 1;
    int shown(int page) const;
    int next(int page) const;
    int previous(int page) const;
};
