#pragma once
// What the region page's previous/next buttons step through, whichever bar asked: the templates
// of the edited stage (valid slots only), the held NG pictures (at most three) and the record
// pictures of one camera, stage and verdict folder (newest first). Both wrap around. One owner of
// the record list, so the option bar and the region page never browse two different lists.
#include <vector>

#include <QImage>
#include <QString>
#include <QStringList>

class PictureBrowser {
public:
    enum Shown { None, Template, NgPicture, Record };

    // Steps picture source `source` (0 templates, 1 live, 2 recent NG, 3 OK records, 4 NG
    // records) by dir (-1 or 1). Moves `tempIndex` or `ngIndex` (of `ngHeld` pictures held) or
    // the record index; returns what is to be shown, None when nothing moves.
    Shown Step(int source, int dir, const std::vector<int>& tempValid, int& tempIndex, int ngHeld, int& ngIndex);

    // Lists the record pictures of `dir` and loads the one at the current index (kept in range).
    void Open(const QString& dir);
    // Back to the newest picture of the OK (3) or NG (4) records.
    void Restart(int source);

    int count() const { return names_.size(); }
    int index() const { return index_; }
    bool recordsOK() const { return recordsOK_; }
    // The shown file's name without ".jpg", and its picture.
    const QString& label() const { return label_; }
    const QImage& picture() const { return picture_; }

private:
    QStringList names_;
    int index_ = 0;
    bool recordsOK_ = false;
    QString label_;
    QImage picture_;
};
