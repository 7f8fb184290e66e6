#include "settings/iogridmodel.h"

#include "core/runmodederivation.h"
#include "core/wizardpara.h"
#include "widgets/textrow.h"

void IOGridModel::load(const WizardPara& rec)
{
    const int n = (rec.stage_count >= 2 && rec.stage_count <= 8) ? rec.stage_count : 2;
    for (int k = 0; k < kColumns; ++k) {
        const int s = rec.stage_source[k];
        owner_[k] = (s >= -1 && s <= 7) ? s : -1;
    }
    for (int i = 0; i < kRows; ++i) {
        cut_[i] = rec.stage_link[i];
        const int t = rec.stage_input_choice[i];
        choice_[i] = (t >= 0 && t <= 7) ? t : 0;
        first_[i] = 0;
    }
    setNameChoices(rec.input_name_choice, rec.output_name_choice);
    applied_ = false;
    setCount(n);
}

void IOGridModel::setNameChoices(const int (&inChoice)[8], const int (&outChoice)[8])
{
    for (int j = 0; j < 8; ++j) {
        inName_[j] = inChoice[j];
        outName_[j] = outChoice[j];
    }
}

void IOGridModel::setCount(int n)
{
    if (n < 2 || n > 8)
        return;
    n_ = n;
    for (int r = 0; r < n_; ++r)
        fillRow(r, r == 0 ? 0 : choice_[r - 1]);
    reapplyClaims();
}

void IOGridModel::fillRow(int row, int first)
{
    if (first >= n_) {
        first_[row] = choice_[row] = n_ - 1;
        return;
    }
    first_[row] = first;
    // A stored choice below the row above's would select no item; it moves up as a cascade would.
    choice_[row] = qBound(first, choice_[row], n_ - 1);
}

bool IOGridModel::excludedBy(int row, int column, int byRow, int byColumn) const
{
    if (byRow == row)
        return false;
    if (row < byRow)
        return column >= byColumn && column <= n_ - 1;
    return column <= byColumn;
}

bool IOGridModel::boxEnabled(int row, int column) const
{
    if (!inRows(row) || !inColumns(column))
        return false;
    // The exclusion rule is applied to the shown rows only.
    if (!rowShown(row))
        return true;
    for (int c = 0; c < kColumns; ++c) {
        if (owner_[c] != -1 && excludedBy(row, column, owner_[c], c))
            return false;
    }
    return true;
}

void IOGridModel::reapplyClaims()
{
    if (applied_) {
        for (int c = 0; c < kColumns; ++c) {
            if (owner_[c] >= n_ || c >= n_)
                owner_[c] = -1;
        }
    }
    applied_ = true;
    int pending[kColumns];
    for (int c = 0; c < kColumns; ++c) {
        pending[c] = owner_[c];
        owner_[c] = -1;
    }
    // Column by column, as the boxes are ticked again; a claim that the earlier ones exclude (a
    // record that breaks the top-left to bottom-right order) is dropped, not shown half-applied.
    for (int c = 0; c < kColumns; ++c) {
        if (pending[c] != -1 && boxEnabled(pending[c], c))
            owner_[c] = pending[c];
    }
}

void IOGridModel::setBox(int row, int column, bool checked)
{
    if (!rowShown(row) || !columnShown(column) || !boxEnabled(row, column))
        return;
    if (checked)
        owner_[column] = row;
    else if (owner_[column] == row)
        owner_[column] = -1;
}

void IOGridModel::chooseTriggerItem(int row, int item)
{
    if (!rowShown(row) || item < 0 || first_[row] + item > n_ - 1)
        return;
    choice_[row] = first_[row] + item;
    // Every row below offers the inputs from the choice above on and keeps its own when it can.
    for (int r = row + 1; r < kRows; ++r) {
        first_[r] = choice_[r - 1];
        choice_[r] = qMax(first_[r], choice_[r]);
    }
}

void IOGridModel::setCutMode(int row, int mode)
{
    if (inRows(row) && mode >= 0 && mode <= 2)
        cut_[row] = mode;
}

void IOGridModel::reset()
{
    for (int& o : owner_)
        o = -1;
    applied_ = true;
}

void IOGridModel::store(WizardPara& rec) const
{
    rec.stage_count = n_;
    for (int k = 0; k < kColumns; ++k)
        rec.stage_source[k] = owner_[k];
    for (int i = 0; i < kRows; ++i) {
        rec.stage_input_choice[i] = choice_[i];
        rec.stage_link[i] = cut_[i];
    }
}

QStringList IOGridModel::triggerItems(int row) const
{
    QStringList items;
    if (!inRows(row))
        return items;
    for (int input = first_[row]; input <= n_ - 1; ++input)
        items << InputSignalName(inName_[input]);
    return items;
}

QString IOGridModel::columnCaption(int column) const
{
    if (!inColumns(column))
        return QString();
    const int slot = columnShown(column) ? columnOutputSlot(column) : column;
    return OutputSignalName(outName_[slot]);
}

QString IOGridModel::reDetectLabel(int n)
{
    return textRow(511).arg(textRow(476 + qBound(2, n, 8)));
}
