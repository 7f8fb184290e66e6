#include "settings/passwordrule.h"

bool PasswordFits(const QString& text)
{
    if (text.isEmpty() || text.size() > kPasswordMaxBytes)
        return false;
    for (QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            return false;
    return true;
}
