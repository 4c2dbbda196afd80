// The demo server's commands: help, echo, list, time, long N, chinese [N], colors, controls, and "Unknown command".
#pragma once

#include "scripted_server.h"

namespace rcon::demo {

// 你好，世界 in UTF-8: the reply to "chinese" (five characters of three bytes each).
inline constexpr std::string_view kHelloWorld = "\xE4\xBD\xA0\xE5\xA5\xBD\xEF\xBC\x8C\xE4\xB8\x96\xE7\x95\x8C";

// The reply to "long N": N bytes of the alphabet, over and over.
std::string LongReply(long n);

// The reply to "chinese N": N characters of 你好，世界, over and over.
std::string ChineseReply(long n);

// The reply to "colors": Minecraft's colour and format codes, § (U+00A7) and a letter or digit (UTF-8).
std::string ColoursReply();

// The reply to "controls": what a hostile server might send to take over a terminal (clear the
// screen, retitle the window, fill the clipboard, ring the bell), then a plain sentence.
std::string ControlsReply();

// Answers one command the way the demo server does.
void DemoCommandScript(support::Session& session, const support::ReceivedPacket& request);

}  // namespace rcon::demo
