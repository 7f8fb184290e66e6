#include <gtest/gtest.h>

#include "network/replyparser.h"

namespace {
QStringList Texts(const QList<ReplyParser::Reply>& replies)
{
    QStringList out;
    for (const auto& r : replies)
        out << r.text();
    return out;
}
}  // namespace

TEST(ReplyStream, ReplySplitOverReadsCountsOnceAndCoalescedOnesEachInOrder)
{
    ReplyParser p;
    EXPECT_TRUE(p.feed("POST /ba", 0).isEmpty());
    EXPECT_EQ(Texts(p.feed("ck/ HTTP/1.1\r\n\r\nPOST /heart/\r\n\r\nPOST /x\r\nSessionId: 17\r\n\r\n{\"r\":", 10)),
              QStringList({"POST /back/ HTTP/1.1\r\n\r\n", "POST /heart/\r\n\r\n"}));
    EXPECT_EQ(Texts(p.feed("[\"}\\\"\"]}\r\n", 20)),
              QStringList({"POST /x\r\nSessionId: 17\r\n\r\n{\"r\":[\"}\\\"\"]}"}));
    EXPECT_EQ(p.pendingBytes(), 0);
}

TEST(ReplyStream, JsonWhereAHeaderShouldBeginIsSkipped)
{
    ReplyParser p;
    // An acknowledge whose client added a JSON body: the body is not taken for the next header.
    EXPECT_EQ(Texts(p.feed("POST /back/\r\n\r\n{\"a\": \"\r\n\r\n\"}POST /heart/\r\n\r\n", 0)),
              QStringList({"POST /back/\r\n\r\n", "POST /heart/\r\n\r\n"}));
}

TEST(ReplyStream, SessionReplyWithoutJsonHasAnEmptyBody)
{
    ReplyParser p;
    // Something other than JSON follows: the body is empty and the rest is the next reply.
    EXPECT_EQ(Texts(p.feed("GET\r\nSessionId: 14\r\n\r\nPOST /back/\r\n\r\n", 0)),
              QStringList({"GET\r\nSessionId: 14\r\n\r\n", "POST /back/\r\n\r\n"}));
    // Nothing follows: the body may still come, then the wait ends with an empty body.
    EXPECT_TRUE(p.feed("GET\r\nSessionId: 14\r\n\r\n", 100).isEmpty());
    EXPECT_TRUE(p.expire(2099).isEmpty());
    EXPECT_EQ(Texts(p.expire(2100)), QStringList({"GET\r\nSessionId: 14\r\n\r\n"}));
}

TEST(ReplyStream, FragmentIncompleteForTwoSecondsIsDropped)
{
    ReplyParser p;
    EXPECT_TRUE(p.feed("POST /back/\r\n", 0).isEmpty());
    EXPECT_EQ(p.deadline(), 2000);
    // The rest of the old fragment arriving late must not complete a reply of its own.
    EXPECT_TRUE(p.feed("\r\n", 2500).isEmpty());
    EXPECT_EQ(Texts(p.feed("POST /heart/\r\n\r\n", 2600)), QStringList({"POST /heart/\r\n\r\n"}));
    EXPECT_EQ(p.deadline(), -1);
}

TEST(ReplyStream, OversizedPendingBytesAreDropped)
{
    ReplyParser p;
    p.feed("GET\r\nSessionId: 14\r\n\r\n{", 0);
    p.feed(QByteArray(ReplyParser::kMaxPending, 'x'), 1);
    EXPECT_EQ(p.pendingBytes(), 0);
}

TEST(ReplyStream, BlanksBeforeAHeaderGiveTheSameRepliesWhateverTheReadsWere)
{
    // Found by the fuzz target: blanks read alone were dropped, read with the header they stayed
    // in it, and a blank line after a reply made a reply of its own.
    const QByteArray stream("POST /back/\r\n\r\n\r\n\r\n\r\nPOST /heart/\r\n\r\n");
    ReplyParser whole;
    const QStringList once = Texts(whole.feed(stream, 0));
    EXPECT_EQ(once, QStringList({"POST /back/\r\n\r\n", "POST /heart/\r\n\r\n"}));
    ReplyParser bytes;
    QStringList split;
    for (char c : stream)
        split += Texts(bytes.feed(QByteArray(1, c), 0));
    EXPECT_EQ(split, once);
}

TEST(ReplyStream, AnySplitOfAStreamGivesTheRepliesOfTheWholeStream)
{
    // Replies before and after a session body with nesting, escapes and separators in strings:
    // a read may end anywhere, inside an escape or a separator too.
    const QByteArray stream("POST /back/\r\n\r\n{\"stray\": [1, {\"x\": \"]\"}]}POST /x\r\nSessionId: 17\r\n\r\n"
                            "{\"r\": [\"a\\\\\", \"\\\"}\\r\\n\", {\"b\": \"\r\n\r\n\"}]} POST /heart/\r\n\r\n"
                            "GET\r\nSessionId: 14\r\n\r\n[[], {}]\r\n");
    ReplyParser whole;
    const QStringList expected = Texts(whole.feed(stream, 0));
    ASSERT_EQ(expected.size(), 4);
    EXPECT_TRUE(expected[1].endsWith("\"}]}"));
    for (int first = 1; first < stream.size(); ++first) {
        for (int second = first; second < stream.size(); second += 7) {
            ReplyParser p;
            QStringList got = Texts(p.feed(stream.left(first), 0));
            got += Texts(p.feed(stream.mid(first, second - first), 0));
            got += Texts(p.feed(stream.mid(second), 0));
            ASSERT_EQ(got, expected) << first << " " << second;
            ASSERT_EQ(p.pendingBytes(), 0);
        }
    }
}

TEST(ReplyStream, HeaderTooLongIsDroppedWholeHoweverItIsRead)
{
    QByteArray junk(ReplyParser::kMaxHeader + 100, 'j');
    junk[1000] = '\r';
    junk[1001] = '\n';  // a line, not a separator
    const QByteArray stream = junk + "POST /heart/\r\n\r\nPOST /back/\r\n\r\n";
    ReplyParser whole;
    EXPECT_EQ(Texts(whole.feed(stream, 0)), QStringList({"POST /back/\r\n\r\n"}));
    for (int chunk : {1000, 8192, 65536}) {
        ReplyParser p;
        QStringList got;
        for (int at = 0; at < stream.size(); at += chunk) {
            got += Texts(p.feed(stream.mid(at, chunk), 0));
            EXPECT_LE(p.pendingBytes(), ReplyParser::kMaxHeader + chunk + 4) << "junk is not kept";
        }
        EXPECT_EQ(got, QStringList({"POST /back/\r\n\r\n"})) << chunk;
        EXPECT_EQ(p.pendingBytes(), 0);
        EXPECT_GE(p.droppedBytes(), ReplyParser::kMaxHeader);
    }
}

TEST(ReplyStream, ProductListOfManyMegabytesInSmallReadsComesOutOnce)
{
    QByteArray body = "{\"result\": [";
    for (int i = 0; i < 40000; ++i)
        body += (i ? ", " : "") + QByteArray("{\"product_name\": \"product {") + QByteArray::number(i) + "\"}";
    body += "]}";
    const QByteArray stream = "POST /\r\nSessionId: 14\r\n\r\n" + body + "POST /heart/\r\n\r\n";
    ReplyParser p;
    QList<ReplyParser::Reply> got;
    for (int at = 0; at < stream.size(); at += 8192)
        got += p.feed(stream.mid(at, 8192), 0);
    ASSERT_EQ(got.size(), 2);
    EXPECT_EQ(got[0].body.toUtf8(), body);
    EXPECT_EQ(got[1].header, "POST /heart/");
}
