#include "settings/logpaging.h"

int LogPaging::rowsPerPage() const
{
    if (rowHeight <= 0)
        return 1;
    const int perPage = viewHeight / rowHeight - 1;
    return perPage < 1 ? 1 : perPage;
}

int LogPaging::pageCount() const
{
    if (rows <= 0)
        return 0;
    const int perPage = rowsPerPage();
    if (rows == perPage)
        return 0;
    return rows / perPage + 1 + (rows % perPage ? 1 : 0);
}

int LogPaging::step() const
{
    const int pages = pageCount();
    return pages > 0 ? scrollMax / pages : 0;
}

int LogPaging::indicatorButton(int v) const
{
    const int pages = pageCount();
    if (pages == 0 || scrollMax == 0 || v <= 0)
        return 0;
    const int s = step();
    for (int k = 1; k <= pages; ++k) {
        if (v <= k * s)
            return k <= 3 ? k + 1 : 0;
    }
    return 0;
}

int LogPaging::upFrom(int pos) const
{
    if (pageCount() == 0 || scrollMax == 0)
        return pos;
    if (pos < 1)
        return 0;
    const int next = pos - step();
    return next < 0 ? 0 : next;
}

int LogPaging::downFrom(int pos) const
{
    if (pageCount() == 0 || scrollMax == 0)
        return pos;
    if (pos >= scrollMax)
        return scrollMax;
    const int next = pos + step();
    return next > scrollMax ? scrollMax : next;
}

int LogPaging::positionOf(int page) const
{
    if (page > pageCount())
        return -1;
    return (page < 1 ? 0 : page - 1) * step();
}
