#include "widgets/toolkithost.h"

namespace {
ToolkitHost gPassiveHost;
ToolkitHost* gHost = &gPassiveHost;
}  // namespace

ToolkitHost::~ToolkitHost() = default;

ToolkitHost* ToolkitHost::instance()
{
    return gHost;
}

ToolkitHost* ToolkitHost::setInstance(ToolkitHost* host)
{
    ToolkitHost* previous = gHost == &gPassiveHost ? nullptr : gHost;
    gHost = host ? host : &gPassiveHost;
    return previous;
}
