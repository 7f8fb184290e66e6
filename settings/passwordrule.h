#pragma once
// Which typed password the record keeps whole: its field holds 32 bytes, and the password box
// compares what is typed with the field read back, so a longer text or one with characters
// outside plain ASCII would be changed on the way and lock the operator out.
#include <QString>

constexpr int kPasswordMaxBytes = 32;

// 1 to 32 printable ASCII characters (letters, digits, signs, space).
bool PasswordFits(const QString& text);
