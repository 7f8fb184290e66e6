// The report server's replies as they come off the socket: cut into whole replies the same way
// however the bytes are split over reads.
#include "fuzz/fuzzsupport.h"
#include "network/replyparser.h"

namespace {

QStringList Texts(const QList<ReplyParser::Reply>& replies)
{
    QStringList out;
    for (const ReplyParser::Reply& r : replies)
        out << r.text();
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Bytes in(data, size);
    const uint8_t step = in.u8();
    const QByteArray bytes = in.rest();

    ReplyParser whole;
    QStringList one = Texts(whole.feed(bytes, 0));
    one << Texts(whole.expire(100000));

    ReplyParser pieces;
    QStringList split;
    const int chunk = 1 + step % 17;
    for (int at = 0; at < bytes.size(); at += chunk)
        split << Texts(pieces.feed(bytes.mid(at, chunk), 0));
    split << Texts(pieces.expire(100000));
    if (one != split)
        std::abort();
    if (whole.pendingBytes() != 0 || pieces.pendingBytes() != 0)
        std::abort();

    for (int from = 0; from < bytes.size() && from < 64; ++from) {
        const int end = JsonValueEnd(bytes, from);
        if (end != -1 && (end <= from || end > bytes.size()))
            std::abort();
    }
    IsSessionReply(QString::fromUtf8(bytes.left(256)));
    return 0;
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzz::SetUpProcess(argc, argv);
    return 0;
}
