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

bool Opens(const QByteArray& text, int at)
{
    return at < text.size() && (text.at(at) == '{' || text.at(at) == '[');
}

}  // namespace

int JsonScanMore(const QByteArray& text, JsonScan& s)
{
    const char* d = text.constData();
    const int n = text.size();
    for (int i = qMax(s.pos, s.start); i < n; ++i) {
        const char c = d[i];
        if (s.inString) {
            if (s.escaped)
                s.escaped = false;
            else if (c == '\\')
                s.escaped = true;
            else if (c == '"')
                s.inString = false;
            continue;
        }
        if (c == '"') {
            s.inString = true;
        } else if (c == '{' || c == '[') {
            ++s.depth;
        } else if (c == '}' || c == ']') {
            if (--s.depth == 0)
                return i + 1;
        }
    }
    s.pos = n;
    return -1;
}

int JsonValueEnd(const QByteArray& text, int from)
{
    JsonScan s;
    s.start = s.pos = from;
    return JsonScanMore(text, s);
}

bool IsSessionReply(const QString& header)
{
    const QStringList lines = header.split("\r\n");
    const QString& first = lines.first();
    if (first.contains("/back/") || first.contains("/heart/") || first.contains("/reline/"))
        return false;
    return header.contains("SessionId");
}

void ReplyParser::reset()
{
    pending_ = QByteArray();  // gives the memory back after a flood
    resume_ = Resume();
    discarding_ = false;
}

void ReplyParser::clear()
{
    reset();
}

void ReplyParser::drop(int bytes, const char* why)
{
    dropped_ += bytes;
    if (warnedAt_ < 0 || now_ - warnedAt_ >= 1000) {
        warnedAt_ = now_;
        qWarning("report reply %s: %lld bytes dropped so far", why, static_cast<long long>(dropped_));
    }
}

QList<ReplyParser::Reply> ReplyParser::feed(const QByteArray& bytes, qint64 nowMs)
{
    now_ = nowMs;
    QList<Reply> out = expire(nowMs);
    const bool wasEmpty = pending_.isEmpty();
    if (bytes.contains('\0')) {
        QByteArray clean = bytes;
        pending_.append(clean.replace('\0', ""));
    } else {
        pending_.append(bytes);
    }
    if (wasEmpty)
        since_ = nowMs;
    const int before = pending_.size();
    out += parse(false);
    if (pending_.size() != before && !pending_.isEmpty())
        since_ = nowMs;  // a new fragment starts with what is left
    if (pending_.size() > kMaxPending) {
        drop(pending_.size(), "longer than 8 MiB");
        reset();
    } else if (pending_.isEmpty()) {
        pending_ = QByteArray();
    }
    return out;
}

QList<ReplyParser::Reply> ReplyParser::expire(qint64 nowMs)
{
    now_ = nowMs;
    if (pending_.isEmpty() || nowMs - since_ < fragmentMs_)
        return {};
    QList<Reply> out = parse(true);
    if (!pending_.isEmpty())
        drop(pending_.size(), "left incomplete");
    reset();
    return out;
}

QList<ReplyParser::Reply> ReplyParser::parse(bool final)
{
    QList<Reply> out;
    int pos = 0;
    Resume r = resume_;  // offsets from the head of pending_
    for (;;) {
        if (discarding_) {
            const int sep = pending_.indexOf(kSeparator, qMax(pos, r.sepFrom));
            if (sep < 0) {
                // The last three bytes may begin the separator.
                const int keep = qMax(pos, pending_.size() - 3);
                drop(keep - pos, "header longer than 64 KiB");
                pos = keep;
                r = Resume();
                break;
            }
            drop(sep + kSeparator.size() - pos, "header longer than 64 KiB");
            discarding_ = false;
            pos = sep + kSeparator.size();
            r = Resume();
            continue;
        }
        const int start = SkipBlanks(pending_, pos);
        if (Opens(pending_, start)) {
            JsonScan s = r.json.start == start ? r.json : JsonScan{start, start};
            const int end = JsonScanMore(pending_, s);
            if (end < 0) {
                r.json = s;
                break;
            }
            pos = end;  // a body no header asked for
            r = Resume();
            continue;
        }
        // Blanks before a header are not part of it: whether they came in the same read as the
        // header or alone (and were dropped) must not change the reply.
        const int sep = pending_.indexOf(kSeparator, qMax(start, r.sepFrom));
        if (sep < 0) {
            if (pending_.size() - start > kMaxHeader + kSeparator.size()) {
                drop(start - pos, "header longer than 64 KiB");
                discarding_ = true;
                pos = start;
                r = Resume();
                continue;
            }
            r.sepFrom = qMax(start, pending_.size() - 3);
            break;
        }
        if (sep - start > kMaxHeader) {
            drop(sep + kSeparator.size() - pos, "header longer than 64 KiB");
            pos = sep + kSeparator.size();
            r = Resume();
            continue;
        }
        Reply reply;
        reply.header = QString::fromUtf8(pending_.constData() + start, sep - start);
        int next = sep + kSeparator.size();
        if (IsSessionReply(reply.header)) {
            const int bodyStart = SkipBlanks(pending_, next);
            if (bodyStart >= pending_.size()) {
                if (!final) {
                    r.sepFrom = sep;
                    break;  // the body may still come
                }
                next = pending_.size();
            } else if (Opens(pending_, bodyStart)) {
                JsonScan s = r.json.start == bodyStart ? r.json : JsonScan{bodyStart, bodyStart};
                const int end = JsonScanMore(pending_, s);
                if (end < 0) {
                    r.sepFrom = sep;
                    r.json = s;
                    break;
                }
                reply.body = QString::fromUtf8(pending_.constData() + bodyStart, end - bodyStart);
                next = end;
            }
        }
        out << reply;
        pos = next;
        r = Resume();
    }
    if (!discarding_ && SkipBlanks(pending_, pos) == pending_.size())
        pos = pending_.size();
    pending_.remove(0, pos);
    // The resume offsets follow the bytes they point at.
    r.sepFrom = qMax(0, r.sepFrom - pos);
    if (r.json.start >= 0) {
        r.json.start -= pos;
        r.json.pos -= pos;
    }
    resume_ = r;
    return out;
}
