#pragma once
// Test seam for the watch over the monitoring pass: with MOULDMON_HOLD_PASS_MS=N in the
// environment, each SIGUSR2 holds the GUI thread for N ms at the next monitoring pass, as a long
// verdict or a stuck call would. Without the variable nothing is installed.
namespace PassHold {

void Install();
// Called at the start of every monitoring pass; returns at once unless a hold was asked for.
void MaybeHold();

}  // namespace PassHold
