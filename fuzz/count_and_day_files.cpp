// count.txt and time.txt as found in the program directory: read values stay in their ranges,
// and the counters written back read the same.
#include <QDate>
#include <QFile>

#include "fuzz/fuzzsupport.h"
#include "vision/records/counters.h"
#include "vision/records/dayrotation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char*>(data), int(size));
    int all[MAX_CAMERA] = {}, fail[MAX_CAMERA] = {};
    Counters::Parse(text, all, fail);
    for (int c = 0; c < MAX_CAMERA; ++c)
        if (all[c] < 0 || all[c] > Counters::kMaxCount || fail[c] < 0 || fail[c] > Counters::kMaxCount)
            std::abort();
    int all2[MAX_CAMERA] = {}, fail2[MAX_CAMERA] = {};
    Counters::Parse(Counters::Format(all, fail), all2, fail2);
    for (int c = 0; c < MAX_CAMERA; ++c)
        if (all2[c] != all[c] || fail2[c] != fail[c])
            std::abort();

    // The same bytes as count.txt and as time.txt, through the program's own readers.
    QFile f("count.txt");
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        f.write(text);
        f.close();
        Counters::CountRead("count.txt");
    }
    QFile t("time.txt");
    if (t.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        t.write(text);
        t.close();
        DayRotation day;
        day.LoadDay(QDate(2026, 12, 7));
        if (!DayRotation::IsDayText(day.recordDay()))
            std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzz::SetUpProcess(argc, argv);
    return 0;
}
