// The program's console texts: each as the GBK bytes the console's code page holds and as
// UTF-8 for a terminal that speaks it, with its Chinese text and an English gloss beside it.
#pragma once

#include <array>
#include <string_view>

#include "util/text.h"

namespace rcon::messages {

// The usage text, printed line by line before the prompts when the arguments are not usable.
inline constexpr std::array<OwnText, 6> kUsage{{
    // 参数有误！请按以下格式运行本程序： (Wrong arguments! Run this program as follows:)
    {"\xB2\xCE\xCA\xFD\xD3\xD0\xCE\xF3\xA3\xA1\xC7\xEB\xB0\xB4\xD2\xD4\xCF\xC2\xB8\xF1\xCA\xBD\xD4\xCB"
     "\xD0\xD0\xB1\xBE\xB3\xCC\xD0\xF2\xA3\xBA",
     "参数有误！请按以下格式运行本程序："},
    // 参数1：Rcon服务器IP或域名 (Argument 1: RCON server IP or domain name)
    {"\xB2\xCE\xCA\xFD" "1\xA3\xBARcon\xB7\xFE\xCE\xF1\xC6\xF7IP\xBB\xF2\xD3\xF2\xC3\xFB",
     "参数1：Rcon服务器IP或域名"},
    // 参数2：Rcon服务器端口 (Argument 2: RCON server port)
    {"\xB2\xCE\xCA\xFD" "2\xA3\xBARcon\xB7\xFE\xCE\xF1\xC6\xF7\xB6\xCB\xBF\xDA",
     "参数2：Rcon服务器端口"},
    // 参数3：Rcon服务器密码 (Argument 3: RCON server password)
    {"\xB2\xCE\xCA\xFD" "3\xA3\xBARcon\xB7\xFE\xCE\xF1\xC6\xF7\xC3\xDC\xC2\xEB",
     "参数3：Rcon服务器密码"},
    // 参数4：超时时间，默认3秒，单位为毫秒（Ps：1秒为1000毫秒） (Argument 4: time-out, 3 seconds by default, in milliseconds (PS: 1 second is 1000 milliseconds))
    {"\xB2\xCE\xCA\xFD" "4\xA3\xBA\xB3\xAC\xCA\xB1\xCA\xB1\xBC\xE4\xA3\xAC\xC4\xAC\xC8\xCF" "3\xC3\xEB"
     "\xA3\xAC\xB5\xA5\xCE\xBB\xCE\xAA\xBA\xC1\xC3\xEB\xA3\xA8Ps\xA3\xBA" "1\xC3\xEB\xCE\xAA" "1000\xBA"
     "\xC1\xC3\xEB\xA3\xA9",
     "参数4：超时时间，默认3秒，单位为毫秒（Ps：1秒为1000毫秒）"},
    // 下面您可以手动输入目标服务器的参数，或者关闭本程序。 (Below you can enter the target server's parameters by hand, or close this program.)
    {"\xCF\xC2\xC3\xE6\xC4\xFA\xBF\xC9\xD2\xD4\xCA\xD6\xB6\xAF\xCA\xE4\xC8\xEB\xC4\xBF\xB1\xEA\xB7\xFE"
     "\xCE\xF1\xC6\xF7\xB5\xC4\xB2\xCE\xCA\xFD\xA3\xAC\xBB\xF2\xD5\xDF\xB9\xD8\xB1\xD5\xB1\xBE\xB3\xCC"
     "\xD0\xF2\xA1\xA3",
     "下面您可以手动输入目标服务器的参数，或者关闭本程序。"},
}};

// 请填写目标Rcon服务器的IP或域名： (Enter the target RCON server's IP or domain name:)
inline constexpr OwnText kPromptHost{
    "\xC7\xEB\xCC\xEE\xD0\xB4\xC4\xBF\xB1\xEARcon\xB7\xFE\xCE\xF1\xC6\xF7\xB5\xC4IP\xBB\xF2\xD3\xF2\xC3"
    "\xFB\xA3\xBA",
    "请填写目标Rcon服务器的IP或域名："};

// 请填写目标Rcon服务器的端口： (Enter the target RCON server's port:)
inline constexpr OwnText kPromptPort{
    "\xC7\xEB\xCC\xEE\xD0\xB4\xC4\xBF\xB1\xEARcon\xB7\xFE\xCE\xF1\xC6\xF7\xB5\xC4\xB6\xCB\xBF\xDA\xA3"
    "\xBA",
    "请填写目标Rcon服务器的端口："};

// 请填写目标Rcon服务器的密码： (Enter the target RCON server's password:)
inline constexpr OwnText kPromptPassword{
    "\xC7\xEB\xCC\xEE\xD0\xB4\xC4\xBF\xB1\xEARcon\xB7\xFE\xCE\xF1\xC6\xF7\xB5\xC4\xC3\xDC\xC2\xEB\xA3"
    "\xBA",
    "请填写目标Rcon服务器的密码："};

// 请填写超时时间，单位为毫秒(1秒=1000毫秒)，可直接回车即使用默认值3秒： (Enter the time-out in milliseconds (1 second = 1000 milliseconds); press Enter for the default of 3 seconds:)
inline constexpr OwnText kPromptTimeout{
    "\xC7\xEB\xCC\xEE\xD0\xB4\xB3\xAC\xCA\xB1\xCA\xB1\xBC\xE4\xA3\xAC\xB5\xA5\xCE\xBB\xCE\xAA\xBA\xC1"
    "\xC3\xEB(1\xC3\xEB=1000\xBA\xC1\xC3\xEB)\xA3\xAC\xBF\xC9\xD6\xB1\xBD\xD3\xBB\xD8\xB3\xB5\xBC\xB4"
    "\xCA\xB9\xD3\xC3\xC4\xAC\xC8\xCF\xD6\xB5" "3\xC3\xEB\xA3\xBA",
    "请填写超时时间，单位为毫秒(1秒=1000毫秒)，可直接回车即使用默认值3秒："};

// [Vantor] 密码错误 ([Vantor] Wrong password)
inline constexpr OwnText kWrongPassword{
    "[Vantor] \xC3\xDC\xC2\xEB\xB4\xED\xCE\xF3",
    "[Vantor] 密码错误"};

// [Vantor] 无法访问目标服务器 ([Vantor] Cannot reach the target server)
inline constexpr OwnText kUnreachable{
    "[Vantor] \xCE\xDE\xB7\xA8\xB7\xC3\xCE\xCA\xC4\xBF\xB1\xEA\xB7\xFE\xCE\xF1\xC6\xF7",
    "[Vantor] 无法访问目标服务器"};

// 按下任意键结束... (Press any key to end...)
inline constexpr OwnText kPressToEnd{
    "\xB0\xB4\xCF\xC2\xC8\xCE\xD2\xE2\xBC\xFC\xBD\xE1\xCA\xF8...",
    "按下任意键结束..."};

// "] 成功连接到目标服务器" follows the time stamp once connected (Connected to the target server)
inline constexpr OwnText kConnectedAfterStamp{
    "] \xB3\xC9\xB9\xA6\xC1\xAC\xBD\xD3\xB5\xBD\xC4\xBF\xB1\xEA\xB7\xFE\xCE\xF1\xC6\xF7",
    "] 成功连接到目标服务器"};

// What the reply block shows in place of a reply.
// （等待服务器回应超时） (No answer from the server within the time-out)
inline constexpr OwnText kTimedOut{
    "\xA3\xA8\xB5\xC8\xB4\xFD\xB7\xFE\xCE\xF1\xC6\xF7\xBB\xD8\xD3\xA6\xB3\xAC\xCA\xB1\xA3\xA9",
    "（等待服务器回应超时）"};
// （连接已丢失且无法恢复） (The connection was lost and could not be restored)
inline constexpr OwnText kConnectionLost{
    "\xA3\xA8\xC1\xAC\xBD\xD3\xD2\xD1\xB6\xAA\xCA\xA7\xC7\xD2\xCE\xDE\xB7\xA8\xBB\xD6\xB8\xB4\xA3\xA9",
    "（连接已丢失且无法恢复）"};
// （命令过长，未发送：N 字节，上限 4086 字节） (Command too long, not sent: N bytes, the limit is 4086 bytes)
inline constexpr std::array<OwnText, 3> kCommandTooLong{{
    {"\xA3\xA8\xC3\xFC\xC1\xEE\xB9\xFD\xB3\xA4\xA3\xAC\xCE\xB4\xB7\xA2\xCB\xCD\xA3\xBA", "（命令过长，未发送："},
    {" \xD7\xD6\xBD\xDA\xA3\xAC\xC9\xCF\xCF\xDE ", " 字节，上限 "},
    {" \xD7\xD6\xBD\xDA\xA3\xA9", " 字节）"},
}};
// （服务器收到 N 字节的命令后断开了连接，命令未重发；Minecraft 服务器最多接受 1446 字节）
// (The server dropped the connection on a command of N bytes; it was not resent. Minecraft servers accept at most 1446 bytes)
inline constexpr std::array<OwnText, 3> kDroppedLongCommand{{
    {"\xA3\xA8\xB7\xFE\xCE\xF1\xC6\xF7\xCA\xD5\xB5\xBD ",
     "（服务器收到 "},
    {" \xD7\xD6\xBD\xDA\xB5\xC4\xC3\xFC\xC1\xEE\xBA\xF3\xB6\xCF\xBF\xAA\xC1\xCB\xC1\xAC\xBD\xD3\xA3\xAC"
     "\xC3\xFC\xC1\xEE\xCE\xB4\xD6\xD8\xB7\xA2\xA3\xBBMinecraft \xB7\xFE\xCE\xF1\xC6\xF7\xD7\xEE\xB6\xE0"
     "\xBD\xD3\xCA\xDC ",
     " 字节的命令后断开了连接，命令未重发；Minecraft 服务器最多接受 "},
    {" \xD7\xD6\xBD\xDA\xA3\xA9",
     " 字节）"},
}};

// The line between two exchanges, and the prompt for a command.
inline constexpr std::string_view kSeparator = "----------------";
inline constexpr std::string_view kCommandPrompt = "> ";

}  // namespace rcon::messages
