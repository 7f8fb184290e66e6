// GVCP packets and ARP frames as they come off the wire during the camera probe: every parser
// reads only the length it is given, and a header packed then parsed comes back the same.
#include <cstring>

#include "fuzz/fuzzsupport.h"
#include "vision/gige/gvcppacket.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Exactly `size` bytes on the heap, so a read past the end is caught.
    const int n = int(size);
    uint8_t* p = new uint8_t[size ? size : 1];
    if (size)
        std::memcpy(p, data, size);

    gvcp_cmd_head_s cmd;
    gvcp_ack_head_s ack;
    if (ParseGvcpCmdHead(p, n, &cmd)) {
        uint8_t buf[gvcp::kHeadSize];
        PackGvcpHead(buf, cmd);
        gvcp_cmd_head_s again;
        if (!ParseGvcpCmdHead(buf, gvcp::kHeadSize, &again) || again.key != cmd.key || again.flags != cmd.flags
            || again.cmd != cmd.cmd || again.length != cmd.length || again.reqId != cmd.reqId)
            std::abort();
    }
    ParseGvcpAckHead(p, n, &ack);
    uint16_t status = 0;
    const uint16_t reqId = n >= 8 ? uint16_t(p[6] << 8 | p[7]) : 0;
    IsGvcpAnswer(p, n, gvcp::FORCEIP_ACK, reqId, &status);
    gvcp_discovery_ack_s disc;
    if (ParseDiscoveryAck(p, n, reqId, &disc)) {
        (void)disc.ipValue();
        (void)disc.maskValue();
        if (disc.modelName().size() > 32 || disc.serialNumber().size() > 16)
            std::abort();
        (void)disc.deviceName();
        ManufacturerMatches(disc, "GEV");
        ManufacturerMatches(disc, nullptr);
        (void)disc.sameDevice(disc);
    }
    const uint8_t hostMac[6] = {0x02, 0, 0, 0, 0, 1};
    IsArpReplyFrom(p, n, hostMac, 0x0100007F);
    delete[] p;
    return 0;
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzz::SetUpProcess(argc, argv);
    return 0;
}
