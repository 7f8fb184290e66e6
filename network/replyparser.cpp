#include "network/replyparser.h"

#include <QStringList>
#include <QtDebug>

namespace {

const QByteArray kSeparator("\r\n\r\n");

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

int SkipBlanks(const QByteArray& text, int from)
{
    while (from < text.size() && IsBlank(text.at(from)))
        ++from;
    return from;
}

}  // namespace

int JsonValueEnd(const QByteArray& text, int from)
{
    int depth = 0;
    bool inString = false;
    for (int i = from; i < text.size(); ++i) {
        const char c = text.at(i);
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            ++depth;
        } else if (c == '}' || c == ']') {
            if (--depth == 0)
                return i + 1;
        }
    }
    return -1;
}

bool IsSessionReply(const QString& header)
{
    const QStringList lines = header.split("\r\n");
    const QString& first = lines.first();
    if (first.contains("/back/") || first.contains("/heart/") || first.contains("/reline/"))
        return false;
    return header.contains("SessionId");
}

QList<ReplyParser::Reply> ReplyParser::feed(const QByteArray& bytes, qint64 nowMs)
{
    QList<Reply> out = expire(nowMs);
    const bool wasEmpty = pending_.isEmpty();
    pending_.append(bytes);
    pending_.replace('\0', "");
    if (wasEmpty)
        since_ = nowMs;
    const int before = pending_.size();
    out += parse(false);
    if (pending_.size() != before && !pending_.isEmpty())
        since_ = nowMs;  // a new fragment starts with what is left
    if (pending_.size() > kMaxPending) {
        qWarning("report reply longer than %d bytes: dropped", kMaxPending);
        pending_.clear();
    }
    return out;
}

QList<ReplyParser::Reply> ReplyParser::expire(qint64 nowMs)
{
    if (pending_.isEmpty() || nowMs - since_ < fragmentMs_)
        return {};
    QList<Reply> out = parse(true);
    if (!pending_.isEmpty()) {
        qWarning("report reply incomplete for %d ms: %d bytes dropped", fragmentMs_, int(pending_.size()));
        pending_.clear();
    }
    return out;
}

QList<ReplyParser::Reply> ReplyParser::parse(bool final)
{
    QList<Reply> out;
    int pos = 0;
    for (;;) {
        int start = SkipBlanks(pending_, pos);
        if (start < pending_.size() && (pending_.at(start) == '{' || pending_.at(start) == '[')) {
            const int end = JsonValueEnd(pending_, start);
            if (end < 0)
                break;
            pos = end;  // a body no header asked for
            continue;
        }
        // Blanks before a header are not part of it: whether they came in the same read as the
        // header or alone (and were dropped) must not change the reply.
        const int sep = pending_.indexOf(kSeparator, start);
        if (sep < 0)
            break;
        Reply reply;
        reply.header = QString::fromUtf8(pending_.mid(start, sep - start));
        int next = sep + kSeparator.size();
        if (IsSessionReply(reply.header)) {
            const int bodyStart = SkipBlanks(pending_, next);
            if (bodyStart >= pending_.size()) {
                if (!final)
                    break;  // the body may still come
                next = pending_.size();
            } else if (pending_.at(bodyStart) == '{' || pending_.at(bodyStart) == '[') {
                const int end = JsonValueEnd(pending_, bodyStart);
                if (end < 0)
                    break;
                reply.body = QString::fromUtf8(pending_.mid(bodyStart, end - bodyStart));
                next = end;
            }
        }
        out << reply;
        pos = next;
    }
    if (SkipBlanks(pending_, pos) == pending_.size())
        pos = pending_.size();
    pending_.remove(0, pos);
    return out;
}
