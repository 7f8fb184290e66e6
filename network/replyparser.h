#pragma once
// Cuts the report client's byte stream into whole replies. Bytes are kept across reads, so a reply
// split over two reads counts once and several replies in one read are each handed out, in order.
// A reply is a header up to "\r\n\r\n"; a SessionId reply's body is the JSON value after it (empty
// when none follows); other replies end at their separator, and JSON where a header should begin
// is skipped. A header longer than kMaxHeader is dropped whole. A fragment left incomplete for too
// long is dropped. Each read is scanned once: the scan of an incomplete reply goes on where the
// last read left it, so a large reply costs its length, not its length times its reads.
#include <QByteArray>
#include <QList>
#include <QString>

// Where the scan of an incomplete JSON value stopped.
struct JsonScan {
    int start = -1;  // the opening bracket
    int pos = -1;    // the next byte to look at
    int depth = 0;
    bool inString = false;
    bool escaped = false;
};

// Scans `text` on from `scan.pos`; returns the end (one past the closing bracket) of the value, or
// -1 when it is not complete yet, with `scan` kept for the next call.
int JsonScanMore(const QByteArray& text, JsonScan& scan);

class ReplyParser {
public:
    static constexpr int kMaxPending = 8 << 20;  // a product list of 40,000 long names fits
    static constexpr int kMaxHeader = 1 << 16;

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
    void clear();
    int pendingBytes() const { return pending_.size(); }
    // Bytes dropped so far (oversized headers, fragments, overflows).
    qint64 droppedBytes() const { return dropped_; }

private:
    // The scan of the incomplete element at the head of pending_, kept between reads.
    struct Resume {
        int sepFrom = 0;   // no separator starts before this offset
        JsonScan json;     // a stray value or a session body being scanned
    };
    QList<Reply> parse(bool final);
    void drop(int bytes, const char* why);
    void reset();

    QByteArray pending_;
    Resume resume_;
    bool discarding_ = false;  // inside a header too long to keep, up to its separator
    qint64 since_ = 0;
    qint64 dropped_ = 0;
    qint64 warnedAt_ = -1;     // the last warning; a flood warns once a second
    qint64 now_ = 0;
    int fragmentMs_;
};

// The end (one past the closing bracket) of the JSON object or array starting at `from`;
// -1 when it is not complete yet.
int JsonValueEnd(const QByteArray& text, int from);
// True when the header makes a SessionId reply (not an acknowledge, heartbeat or re-link).
bool IsSessionReply(const QString& header);
