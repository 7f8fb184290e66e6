#pragma once
// The multi-detection I/O grid without its widgets: the stage count N, which trigger row claims
// which detect stage (column), each row's trigger input and cut mode, and the input and output
// name choices the rows and columns are captioned with. IOWidget shows it and passes the
// operator's touches in; every rule of the grid lives here.
#include <QString>
#include <QStringList>

class WizardPara;

class IOGridModel {
public:
    static constexpr int kRows = 8;
    static constexpr int kColumns = 8;

    // Takes N, the owners, cut modes, trigger choices and name choices from `rec` and applies
    // them as the grid's first load does. An owner outside -1..7 counts as no owner, a trigger
    // choice outside 0..7 as 0.
    void load(const WizardPara& rec);
    // Takes only the name choices (the naming page edits them at any time).
    void setNameChoices(const int (&inChoice)[8], const int (&outChoice)[8]);

    // The count combo: N := index + 2 (2..8), the trigger rows refilled and the claims re-applied.
    void setCount(int n);
    int count() const { return n_; }

    // A touch on box (row, column): ignored unless the box is shown and enabled. Checking claims
    // the column for the row, unchecking releases it.
    void setBox(int row, int column, bool checked);
    // The operator picks trigger combo item `item` of `row`; the change runs down the rows below.
    void chooseTriggerItem(int row, int item);
    void setCutMode(int row, int mode);
    // Reset button: every claim released; N, trigger choices and cut modes stay.
    void reset();

    // Confirm is refused while the last shown stage has no owner.
    bool lastStageClaimed() const { return owner_[n_ - 1] != -1; }
    // Writes N and all eight entries of owners, trigger choices and cut modes.
    void store(WizardPara& rec) const;

    int owner(int column) const { return inColumns(column) ? owner_[column] : -1; }
    bool rowShown(int row) const { return row >= 0 && row < n_; }
    bool columnShown(int column) const { return column >= 0 && column < n_; }
    bool boxChecked(int row, int column) const { return inRows(row) && owner(column) == row; }
    bool boxEnabled(int row, int column) const;
    int cutMode(int row) const { return inRows(row) ? cut_[row] : -1; }
    int triggerChoice(int row) const { return inRows(row) ? choice_[row] : 0; }
    int firstInput(int row) const { return inRows(row) ? first_[row] : 0; }
    // Index of the trigger choice in the row's combo.
    int triggerItem(int row) const { return triggerChoice(row) - firstInput(row); }

    // Trigger combo texts of a row: the chosen names of its inputs first..N-1 (current language).
    QStringList triggerItems(int row) const;
    // The output slot a detect stage drives: the next slot, the last shown stage slot 0.
    int columnOutputSlot(int column) const { return column == n_ - 1 ? 0 : column + 1; }
    QString columnCaption(int column) const;
    int inNameChoice(int slot) const { return inColumns(slot) ? inName_[slot] : -1; }
    int outNameChoice(int slot) const { return inColumns(slot) ? outName_[slot] : -1; }

    // Text of the system page's re-detect label for N stages: "re-detect 3rd" for N = 3.
    static QString reDetectLabel(int n);

private:
    static bool inRows(int r) { return r >= 0 && r < kRows; }
    static bool inColumns(int c) { return c >= 0 && c < kColumns; }
    bool excludedBy(int row, int column, int byRow, int byColumn) const;
    void fillRow(int row, int first);
    void reapplyClaims();

    int n_ = 8;
    int owner_[kColumns];
    int cut_[kRows];
    int choice_[kRows];
    int first_[kRows];
    int inName_[8];
    int outName_[8];
    // Before the first re-application no box is checked, so claims of hidden rows and columns
    // survive it; afterwards every claim stands on a checked box.
    bool applied_ = false;
};
