#pragma once
// An ordered list of output changes and publications decided by the cycle logic. The decisions
// build a plan; the controller applies it to the board's word through ControlPort. Tests read the
// plan directly, so the order of sets, clears and sends is checked without a board.
#include <QString>
#include <vector>

class ControlPort;

class OutputPlan {
public:
    enum Kind { Set, Clear, Flash };
    struct Step {
        Kind kind;
        int n;  // output number; -1 for Flash
        bool operator==(const Step& o) const { return kind == o.kind && n == o.n; }
    };

    void set(int n) { steps.push_back({Set, n}); }
    void clear(int n) { steps.push_back({Clear, n}); }
    void out(int n, bool on) { steps.push_back({on ? Set : Clear, n}); }
    void flash() { steps.push_back({Flash, -1}); }
    void append(const OutputPlan& o) { steps.insert(steps.end(), o.steps.begin(), o.steps.end()); }
    bool empty() const { return steps.empty(); }
    void reset() { steps.clear(); }

    // Applies every step in order (IOSetOut / IOFlashOut); nothing when `port` is null.
    void ApplyTo(ControlPort* port) const;
    // Compact text such as "+1 +0 +2 F -1" (set, clear, send) for logs and test messages.
    QString text() const;

    std::vector<Step> steps;
};
