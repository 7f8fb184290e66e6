#pragma once
// The one logical front end of the serial I/O board. Everything that sets outputs or reads inputs
// goes through here: it applies each channel's polarity, the mould-backup redirect of an output,
// the folding of input 3 onto a trigger input, edge detection and the safety-door watch. The
// board thread (IOThread) sends gDataOut and publishes gDataIn; both words are guarded by pMutexIO.
#include <QtGlobal>

class IOThread;

extern qint32 gDataOut;        // output word the board thread keeps on the board
extern qint32 gDataIn;         // 10 input bits of the board's last poll reply
extern float gFTemp[16];       // the board thread's own: the bank of channels its replies are filling
extern bool gisSafeDoorOpen;   // the safety door opened since the cycle start

// The board temperatures as whole replies gave them: the board thread hands over a bank of channels
// once one reply has filled all of it, so a reader on any thread never shows channels of two replies.
void PublishTemperatures(int first, const float* degrees, int n);
// Channels first..first+n-1 as last handed over (0 before any).
void PublishedTemperatures(int first, float* degrees, int n);
void ClearPublishedTemperatures();

class ControlPort {
public:
    // Opens the serial port, resets and publishes every output, starts the board thread.
    ControlPort();
    // Word logic only: no serial port and no thread (tests).
    struct NoBoard {};
    explicit ControlPort(NoBoard);
    ~ControlPort();

    // Sets output n (0-8) active or inactive in the output word; nothing reaches the board
    // before IOFlashOut.
    void IOSetOut(int n, int on);
    void IOResetAllOut();
    // Publishes the output word to the board thread.
    void IOFlashOut();
    // kind non-zero: output bit n as sent; kind 0: 1 when input n is active.
    int IOState(int kind, int n);
    // 1 once when input n has changed toward its active level since the last call for n, also
    // when it went back before this call (the board thread latches the edges of every reply).
    int IOInTrigger(int n);
    // Forgets the edges of input n that the board thread latched since the last call, without
    // reading its level: a pulse that came and went while the cycle could not take it is gone, a
    // level still held is judged by the edge rule at the next IOInTrigger.
    void DropLatchedEdges(int n);

    IOThread* thread() const { return ioThread; }
    // While set, output 0 (mould-close inhibit) stays active whatever the cycle sets: the start-up
    // holds the mould this way until the operator confirms (no verdict on default parameters may
    // release it). Setting it makes output 0 active at once; clearing it leaves the word as it is.
    void HoldMould(bool on);
    bool mouldHeld() const { return holdMould; }
    // The output word in force with outputs a and b active (polarity and redirect applied), not
    // published: what the board thread sends while the monitoring pass is missing.
    qint32 WordWithActive(int a, int b) const;
    // 1 when output n is active in the word (its polarity and redirect undone).
    int OutActive(int n) const;

private:
    void SafetyDoor();
    // The input whose latched edges input n takes (input 3 when it is folded onto n).
    static int EdgeSource(int n);

    bool lastLevel[16];
    bool holdMould = false;
    qint32 outWord;
    qint32 inWord;
    IOThread* ioThread;
};

extern ControlPort* gpControlIO;
