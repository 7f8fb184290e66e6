#pragma once
// ARP probe of one address through a packet socket on one interface.

// Addresses in network order. Returns 1 when nobody answered within the ARP wait, 0 when the
// address answered (in use) or the probe could not be sent or received, -1 when no packet socket
// could be opened.
int arpping(unsigned int testIp, unsigned int hostIp, const unsigned char* hostMac, const char* ifName);
