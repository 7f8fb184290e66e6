#pragma once
// One frame or reply per log line of reportpeer: "\\", "\r" and "\n" written as escapes. The
// test helper that reads the log unescapes with the same functions.
#include <QByteArray>

inline QByteArray EscapeLine(const QByteArray& bytes)
{
    QByteArray out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

inline QByteArray UnescapeLine(const QByteArray& text)
{
    QByteArray out;
    for (int i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c != '\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const char n = text.at(++i);
        out += n == 'r' ? '\r' : n == 'n' ? '\n' : n;
    }
    return out;
}
