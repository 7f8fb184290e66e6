// Simulated serial I/O board on a pseudo-terminal, for tests and scripts/run.
//
//   boardsim --link PATH [--log FILE]
//
// Creates a pty, makes PATH a symlink to its slave side, prints "ready PATH" and answers the
// host's frames as the board does: command 1 sets the outputs, 2 is answered by a type-2 frame
// (inputs and output echo), 3 and 4 by eight type-3 / type-4 frames (temperatures 0-7 / 8-15).
// Commands on stdin, one a line:
//   in HEX          set the input word
//   pulse N MS      input N active for MS milliseconds
//   temp N VALUE    temperature channel N (0-15)
//   unplug / plug   stop / resume answering; frames sent meanwhile are dropped
//   raw HEX...      send these bytes as they are (garbage, split frames)
//   quit            (so does the end of stdin)
// Log (FILE, else stdout), one line each: "<ms> <command> <data as 4 hex digits>" for every
// host frame, "<ms> in <hex>" for every input change, "<ms> unplug" and "<ms> plug".
#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include "core/comsend.h"

namespace {
using Clock = std::chrono::steady_clock;
const Clock::time_point gStart = Clock::now();
volatile sig_atomic_t gStop = 0;

long long nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - gStart).count();
}

struct Board {
    int master = -1;
    FILE* log = stdout;
    unsigned inputs = 0;
    unsigned outputs = 0;
    float temps[16] = {};
    bool plugged = true;
    std::vector<unsigned char> rx;
    std::multimap<long long, int> pulseEnds;  // end time -> input number

    void logLine(const char* fmt, ...) __attribute__((format(printf, 2, 3)))
    {
        va_list ap;
        va_start(ap, fmt);
        std::fprintf(log, "%lld ", nowMs());
        std::vfprintf(log, fmt, ap);
        std::fputc('\n', log);
        std::fflush(log);
        va_end(ap);
    }

    void setInputs(unsigned word)
    {
        word &= 0x3FF;
        if (word == inputs)
            return;
        inputs = word;
        logLine("in %04x", inputs);
    }

    void sendRaw(const unsigned char* p, size_t n)
    {
        while (n > 0) {
            const ssize_t w = ::write(master, p, n);
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                return;  // nobody reads: drop as the line would
            p += w;
            n -= static_cast<size_t>(w);
        }
    }

    void reply(int type, const unsigned char b[4])
    {
        unsigned char f[8] = {0x5F, static_cast<unsigned char>(type), b[0], b[1], b[2], b[3], 0, 0xF5};
        f[6] = calcLRC(f, 6);
        sendRaw(f, sizeof f);
    }

    void handleFrame(int cmd, int data)
    {
        logLine("%d %04x", cmd, data & 0xFFFF);
        if (!plugged)
            return;
        switch (cmd) {
        case 1:
            outputs = static_cast<unsigned>(data) & 0x3FF;
            break;
        case 2: {
            const unsigned char b[4] = {static_cast<unsigned char>(inputs & 0xFF),
                                        static_cast<unsigned char>((inputs >> 8) & 3),
                                        static_cast<unsigned char>(outputs & 0xFF),
                                        static_cast<unsigned char>((outputs >> 8) & 3)};
            reply(2, b);
            break;
        }
        case 3:
        case 4:
            for (int i = 0; i < 8; ++i) {
                unsigned char b[4];
                std::memcpy(b, &temps[(cmd - 3) * 8 + i], 4);  // x86-64: little-endian IEEE-754
                reply(cmd, b);
            }
            break;
        default:
            break;
        }
    }

    void readHost()
    {
        unsigned char buf[4096];
        for (;;) {
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n <= 0)
                break;
            rx.insert(rx.end(), buf, buf + n);
        }
        size_t i = 0;
        while (rx.size() - i >= 6) {
            const unsigned char* f = rx.data() + i;
            if (f[0] == 0x5F && f[5] == 0xF5 && calcLRC(f, 4) == f[4]) {
                handleFrame(f[1], f[2] | (f[3] << 8));
                i += 6;
            } else {
                ++i;  // resynchronise
            }
        }
        rx.erase(rx.begin(), rx.begin() + static_cast<long>(i));
    }

    bool command(const std::string& line)
    {
        char word[32] = {};
        if (std::sscanf(line.c_str(), "%31s", word) != 1)
            return true;
        const std::string cmd = word;
        const char* rest = line.c_str() + line.find(cmd) + cmd.size();
        if (cmd == "quit")
            return false;
        if (cmd == "in") {
            unsigned v = 0;
            if (std::sscanf(rest, "%x", &v) == 1)
                setInputs(v);
        } else if (cmd == "pulse") {
            int n = 0, ms = 0;
            if (std::sscanf(rest, "%d %d", &n, &ms) == 2 && n >= 0 && n < 10) {
                setInputs(inputs | (1u << n));
                pulseEnds.emplace(nowMs() + ms, n);
            }
        } else if (cmd == "temp") {
            int n = 0;
            float v = 0;
            if (std::sscanf(rest, "%d %f", &n, &v) == 2 && n >= 0 && n < 16)
                temps[n] = v;
        } else if (cmd == "unplug") {
            plugged = false;
            logLine("unplug");
        } else if (cmd == "plug") {
            plugged = true;
            logLine("plug");
        } else if (cmd == "raw") {
            std::vector<unsigned char> bytes;
            const char* p = rest;
            unsigned v = 0;
            int used = 0;
            while (std::sscanf(p, "%2x%n", &v, &used) == 1) {
                bytes.push_back(static_cast<unsigned char>(v));
                p += used;
            }
            if (plugged && !bytes.empty())
                sendRaw(bytes.data(), bytes.size());
        } else {
            std::fprintf(stderr, "boardsim: unknown command: %s\n", line.c_str());
        }
        return true;
    }

    void endPulses()
    {
        const long long now = nowMs();
        while (!pulseEnds.empty() && pulseEnds.begin()->first <= now) {
            const int n = pulseEnds.begin()->second;
            pulseEnds.erase(pulseEnds.begin());
            setInputs(inputs & ~(1u << n));
        }
    }
};

void onSignal(int)
{
    gStop = 1;
}

int usage()
{
    std::fprintf(stderr, "usage: boardsim --link PATH [--log FILE]\n");
    return 2;
}
}  // namespace

int main(int argc, char** argv)
{
    std::string link, logPath;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--link" && i + 1 < argc)
            link = argv[++i];
        else if (a == "--log" && i + 1 < argc)
            logPath = argv[++i];
        else
            return usage();
    }
    if (link.empty())
        return usage();

    Board board;
    if (!logPath.empty()) {
        board.log = std::fopen(logPath.c_str(), "a");
        if (!board.log) {
            std::fprintf(stderr, "boardsim: cannot open %s: %s\n", logPath.c_str(), std::strerror(errno));
            return 1;
        }
    }
    board.master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (board.master < 0 || grantpt(board.master) != 0 || unlockpt(board.master) != 0) {
        std::fprintf(stderr, "boardsim: no pty: %s\n", std::strerror(errno));
        return 1;
    }
    const char* slaveName = ptsname(board.master);
    // Keep the slave open ourselves so the master never sees a hang-up when the host closes,
    // and make it raw so nothing the host sends is echoed back.
    const int slave = ::open(slaveName, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        std::fprintf(stderr, "boardsim: cannot open %s: %s\n", slaveName, std::strerror(errno));
        return 1;
    }
    termios t{};
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    cfsetispeed(&t, B115200);
    cfsetospeed(&t, B115200);
    tcsetattr(slave, TCSANOW, &t);

    ::unlink(link.c_str());
    if (::symlink(slaveName, link.c_str()) != 0) {
        std::fprintf(stderr, "boardsim: cannot link %s: %s\n", link.c_str(), std::strerror(errno));
        return 1;
    }
    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);
    std::signal(SIGPIPE, SIG_IGN);
    std::printf("ready %s\n", link.c_str());
    std::fflush(stdout);

    std::string pending;
    bool running = true;
    bool stdinOpen = true;
    while (running && !gStop) {
        int timeout = 100;
        if (!board.pulseEnds.empty())
            timeout = static_cast<int>(std::max(0LL, board.pulseEnds.begin()->first - nowMs()));
        pollfd fds[2] = {{board.master, POLLIN, 0}, {stdinOpen ? 0 : -1, POLLIN, 0}};
        const int r = ::poll(fds, 2, timeout);
        if (r < 0 && errno != EINTR)
            break;
        board.endPulses();
        if (r > 0 && (fds[0].revents & POLLIN))
            board.readHost();
        if (r > 0 && (fds[1].revents & (POLLIN | POLLHUP))) {
            char buf[1024];
            const ssize_t n = ::read(0, buf, sizeof buf);
            if (n <= 0) {
                stdinOpen = false;  // whoever drove us is gone: end, leave no orphan
                break;
            }
            pending.append(buf, static_cast<size_t>(n));
            size_t nl;
            while (running && (nl = pending.find('\n')) != std::string::npos) {
                running = board.command(pending.substr(0, nl));
                pending.erase(0, nl + 1);
            }
        }
    }
    // Remove our link only when it still points at our pty.
    char target[256] = {};
    if (::readlink(link.c_str(), target, sizeof target - 1) > 0 && std::strcmp(target, slaveName) == 0)
        ::unlink(link.c_str());
    ::close(slave);
    ::close(board.master);
    if (board.log != stdout)
        std::fclose(board.log);
    return 0;
}
