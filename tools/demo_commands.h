// The demo server's commands: help, echo, list, time, long N, chinese, and "Unknown command".
#pragma once

#include "scripted_server.h"

namespace rcon::demo {

// Answers one command the way the demo server does.
void DemoCommandScript(testing::Session& session, const testing::ReceivedPacket& request);

}  // namespace rcon::demo
