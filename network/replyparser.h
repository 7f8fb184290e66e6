#pragma once
// Cuts the report client's byte stream into whole replies. Bytes are kept across reads, so a reply
// split over two reads counts once and several replies in one read are each handed out, in order.
// A reply is a header up to "\r\n\r\n"; a SessionId reply's body is the JSON value after it (empty
// when none follows); other replies end at their separator, and JSON where a header should begin
// is skipped. A fragment left incomplete for too long is dropped.
#include <QByteArray>
#include <QList>
#include <QString>

class ReplyParser {
public:
    static constexpr int kMaxPending = 1 << 20;

    struct Reply {
        QString header;
        QString body;
        // The reply as one text: header, separator, body.
        QString text() const { return header + "\r\n\r\n" + body; }
    };

    explicit ReplyParser(int fragmentMs = 2000) : fragmentMs_(fragmentMs) {}
    void setFragmentMs(int ms) { fragmentMs_ = ms; }

    // Adds bytes read at `nowMs` (a monotonic time) and returns the replies they complete.
    QList<Reply> feed(const QByteArray& bytes, qint64 nowMs);
    // At `nowMs`: a fragment incomplete for the fragment time is dropped, except a whole SessionId
    // header with no body after it, which is handed out with an empty body.
    QList<Reply> expire(qint64 nowMs);
    // When expire() should next run; -1 when nothing is pending.
    qint64 deadline() const { return pending_.isEmpty() ? -1 : since_ + fragmentMs_; }
    void clear() { pending_.clear(); }
    int pendingBytes() const { return pending_.size(); }

private:
    QList<Reply> parse(bool final);

    QByteArray pending_;
    qint64 since_ = 0;
    int fragmentMs_;
};

// The end (one past the closing bracket) of the JSON object or array starting at `from`;
// -1 when it is not complete yet.
int JsonValueEnd(const QByteArray& text, int from);
// True when the header makes a SessionId reply (not an acknowledge, heartbeat or re-link).
bool IsSessionReply(const QString& header);
