#pragma once
#include <functional>

// Processes the GUI thread's events until `pred` holds or `timeoutMs` passed; returns whether it held.
bool WaitUntil(const std::function<bool()>& pred, int timeoutMs);
