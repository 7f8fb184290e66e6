#pragma once
// Paging arithmetic of the system-log table over its vertical scroll bar.

struct LogPaging {
    int rows = 0;          // rows of the table's model (all of them fetched)
    int rowHeight = 0;     // height of row 0
    int viewHeight = 0;    // height of the table view
    int scrollMax = 0;     // the scroll bar's maximum

    // At least 1, so that tall rows or a small view never divide by zero.
    int rowsPerPage() const;
    // 0 without rows or when they fill exactly one page; else rows / per page + 1, one more when
    // the last page is partial (a page more than the rows need: the count the paging bar knows).
    int pageCount() const;
    // Scroll positions per page; 0 without pages.
    int step() const;

    // The page button (2, 3 or 4) to check for scroll position v, 0 to leave the buttons alone.
    int indicatorButton(int v) const;
    // New scroll positions of the paging operations from position `pos`.
    int upFrom(int pos) const;
    int downFrom(int pos) const;
    // Position of page `page` (1-based); -1 when it lies beyond the page count.
    int positionOf(int page) const;
};
