// The demo server's commands: help, echo, list, time, long N, chinese, colors, controls, and "Unknown command".
#pragma once

#include "scripted_server.h"

namespace rcon::demo {

// The reply to "colors": Minecraft's colour and format codes, § (U+00A7) and a letter or digit (UTF-8).
std::string ColoursReply();

// The reply to "controls": what a hostile server might send to take over a terminal (clear the
// screen, retitle the window, fill the clipboard, ring the bell), then a plain sentence.
std::string ControlsReply();

// Answers one command the way the demo server does.
void DemoCommandScript(support::Session& session, const support::ReceivedPacket& request);

}  // namespace rcon::demo
