// Bytes from the I/O board as the board thread's pass reads them off the serial line (a pty):
// any bytes leave the input word within its ten bits and every buffer within its bounds.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <QMutexLocker>

#include "core/comsend.h"
#include "fuzz/fuzzsupport.h"
#include "platform/vision/posix_qextserialport.h"
#include "vision/board/controlport.h"
#include "vision/board/iothread.h"

namespace {

int master = -1;
IOThread* thread = nullptr;

void Drain()
{
    char buf[4096];
    while (::read(master, buf, sizeof buf) > 0) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Bytes in(data, size);
    qint32 out = in.u16() & 0x3FF;
    {
        QMutexLocker lock(pMutexIO);
        gDataOut = out;
    }
    // The rest in reads of up to 255 bytes, one pass each.
    while (in.left() > 0) {
        const QByteArray part = in.take(1 + in.u8());
        // The pass reads at most its buffer's free space, so a long burst fills the pty's queue:
        // write what fits, let passes take it, and go on (as a board line would hold back).
        qint64 written = 0;
        for (int tries = 0; written < part.size(); ++tries) {
            const ssize_t n = ::write(master, part.constData() + written, size_t(part.size() - written));
            if (n > 0)
                written += n;
            else if (tries > 1000)
                std::abort();  // the pass stopped taking bytes: the board link would go deaf
            // A pty hands the bytes over a moment later.
            for (int i = 0; i < 200 && gpCom->bytesAvailable() < written; ++i)
                ::usleep(50);
            thread->Pass();
            Drain();
        }
    }
    thread->Pass();
    Drain();
    QMutexLocker lock(pMutexIO);
    if (gDataIn & ~0x3FF)
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzz::SetUpProcess(argc, argv);
    int slave = -1;
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0)
        std::abort();
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    qputenv("MOULDMON_SERIAL", name);
    gisCOM = 0;
    if (!ComInit())
        std::abort();
    ::close(slave);  // the port holds its own descriptor
    thread = new IOThread;
    return 0;
}
