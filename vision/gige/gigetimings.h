#pragma once
// Waits of the GigE address repair. The defaults are the field values; tests shorten them.

struct GigeTimings {
    int recvWaitMs = 200;            // one receive poll of a broadcast socket
    int pollSleepMs = 5;             // pause after each poll of a command exchange
    int pollsPerSend = 200;          // polls before a command is sent again
    int sends = 4;                   // sends of one command before giving up
    int discoveryWaitMs = 200;       // answers to DISCOVERY are collected this long
    int arpWaitMs = 1000;            // wait for an ARP reply to one probe
    int ageingPeriodMs = 1000;       // ageing mode: DISCOVERY and list check period
    int ageOutMs = 3001;             // ageing mode: silence after which a record is dropped
};

// The waits in force (process-wide).
const GigeTimings& gigeTimings();
void setGigeTimings(const GigeTimings& t);
