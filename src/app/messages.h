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

// The help text (--help): its lines around the option table, and each option's value and help.
// 用法：rcon-console [选项] 主机 端口 [密码 [超时毫秒]] (Usage: rcon-console [OPTIONS] HOST PORT [PASSWORD [TIMEOUT_MS]])
inline constexpr OwnText kHelpUsage{
    "\xD3\xC3\xB7\xA8\xA3\xBArcon-console [\xD1\xA1\xCF\xEE] \xD6\xF7\xBB\xFA \xB6\xCB\xBF\xDA [\xC3\xDC"
    "\xC2\xEB [\xB3\xAC\xCA\xB1\xBA\xC1\xC3\xEB]]",
    "用法：rcon-console [选项] 主机 端口 [密码 [超时毫秒]]"};
//       rcon-console [选项] -s 名称 (      rcon-console [OPTIONS] -s NAME)
inline constexpr OwnText kHelpUsageSaved{
    "      rcon-console [\xD1\xA1\xCF\xEE] -s \xC3\xFB\xB3\xC6",
    "      rcon-console [选项] -s 名称"};
// 连接 RCON 服务器：不带 -c 时逐行读取并发送命令（交互会话）；带 -c 时执行给出的命令后退出。 (Connects to an RCON server: without -c it reads and sends commands line by line (a session); with -c it runs the commands given, then exits.)
inline constexpr OwnText kHelpIntro{
    "\xC1\xAC\xBD\xD3 RCON \xB7\xFE\xCE\xF1\xC6\xF7\xA3\xBA\xB2\xBB\xB4\xF8 -c \xCA\xB1\xD6\xF0\xD0\xD0"
    "\xB6\xC1\xC8\xA1\xB2\xA2\xB7\xA2\xCB\xCD\xC3\xFC\xC1\xEE\xA3\xA8\xBD\xBB\xBB\xA5\xBB\xE1\xBB\xB0"
    "\xA3\xA9\xA3\xBB\xB4\xF8 -c \xCA\xB1\xD6\xB4\xD0\xD0\xB8\xF8\xB3\xF6\xB5\xC4\xC3\xFC\xC1\xEE\xBA"
    "\xF3\xCD\xCB\xB3\xF6\xA1\xA3",
    "连接 RCON 服务器：不带 -c 时逐行读取并发送命令（交互会话）；带 -c 时执行给出的命令后退出。"};
// 选项： (Options:)
inline constexpr OwnText kHelpOptionsHeading{
    "\xD1\xA1\xCF\xEE\xA3\xBA",
    "选项："};
// 命令 (COMMAND)
inline constexpr OwnText kValueCommand{
    "\xC3\xFC\xC1\xEE",
    "命令"};
// 名称 (NAME)
inline constexpr OwnText kValueName{
    "\xC3\xFB\xB3\xC6",
    "名称"};
// 文件 (FILE)
inline constexpr OwnText kValueFile{
    "\xCE\xC4\xBC\xFE",
    "文件"};
// 毫秒 (MS)
inline constexpr OwnText kValueMilliseconds{
    "\xBA\xC1\xC3\xEB",
    "毫秒"};
// 执行该命令，再执行下一个 -c……，全部完成后退出（一次性模式） (run the command, then the next -c, ..., then exit (one-shot mode))
inline constexpr OwnText kHelpCommand{
    "\xD6\xB4\xD0\xD0\xB8\xC3\xC3\xFC\xC1\xEE\xA3\xAC\xD4\xD9\xD6\xB4\xD0\xD0\xCF\xC2\xD2\xBB\xB8\xF6 -c"
    "\xA1\xAD\xA1\xAD\xA3\xAC\xC8\xAB\xB2\xBF\xCD\xEA\xB3\xC9\xBA\xF3\xCD\xCB\xB3\xF6\xA3\xA8\xD2\xBB"
    "\xB4\xCE\xD0\xD4\xC4\xA3\xCA\xBD\xA3\xA9",
    "执行该命令，再执行下一个 -c……，全部完成后退出（一次性模式）"};
// 主机、端口、密码和超时取自服务器文件 (host, port, password and time-out from the servers file)
inline constexpr OwnText kHelpServer{
    "\xD6\xF7\xBB\xFA\xA1\xA2\xB6\xCB\xBF\xDA\xA1\xA2\xC3\xDC\xC2\xEB\xBA\xCD\xB3\xAC\xCA\xB1\xC8\xA1"
    "\xD7\xD4\xB7\xFE\xCE\xF1\xC6\xF7\xCE\xC4\xBC\xFE",
    "主机、端口、密码和超时取自服务器文件"};
// 密码为该文件的第一行（不含行尾） (the password is the first line of the file (without its line end))
inline constexpr OwnText kHelpPasswordFile{
    "\xC3\xDC\xC2\xEB\xCE\xAA\xB8\xC3\xCE\xC4\xBC\xFE\xB5\xC4\xB5\xDA\xD2\xBB\xD0\xD0\xA3\xA8\xB2\xBB"
    "\xBA\xAC\xD0\xD0\xCE\xB2\xA3\xA9",
    "密码为该文件的第一行（不含行尾）"};
// 超时时间（毫秒），与第四个参数相同 (the time-out in milliseconds, as the fourth argument)
inline constexpr OwnText kHelpTimeout{
    "\xB3\xAC\xCA\xB1\xCA\xB1\xBC\xE4\xA3\xA8\xBA\xC1\xC3\xEB\xA3\xA9\xA3\xAC\xD3\xEB\xB5\xDA\xCB\xC4"
    "\xB8\xF6\xB2\xCE\xCA\xFD\xCF\xE0\xCD\xAC",
    "超时时间（毫秒），与第四个参数相同"};
// 一次性模式的回复保留 Minecraft 的 § 代码 (one-shot replies keep Minecraft's § codes)
inline constexpr OwnText kHelpRaw{
    "\xD2\xBB\xB4\xCE\xD0\xD4\xC4\xA3\xCA\xBD\xB5\xC4\xBB\xD8\xB8\xB4\xB1\xA3\xC1\xF4 Minecraft \xB5\xC4"
    " \xA1\xEC \xB4\xFA\xC2\xEB",
    "一次性模式的回复保留 Minecraft 的 § 代码"};
// 列出保存的服务器（名称、主机、端口）后退出 (list the saved servers (names, hosts, ports), then exit)
inline constexpr OwnText kHelpServers{
    "\xC1\xD0\xB3\xF6\xB1\xA3\xB4\xE6\xB5\xC4\xB7\xFE\xCE\xF1\xC6\xF7\xA3\xA8\xC3\xFB\xB3\xC6\xA1\xA2"
    "\xD6\xF7\xBB\xFA\xA1\xA2\xB6\xCB\xBF\xDA\xA3\xA9\xBA\xF3\xCD\xCB\xB3\xF6",
    "列出保存的服务器（名称、主机、端口）后退出"};
// 显示本帮助后退出 (show this help, then exit)
inline constexpr OwnText kHelpHelp{
    "\xCF\xD4\xCA\xBE\xB1\xBE\xB0\xEF\xD6\xFA\xBA\xF3\xCD\xCB\xB3\xF6",
    "显示本帮助后退出"};
// 显示版本后退出 (show the version, then exit)
inline constexpr OwnText kHelpVersion{
    "\xCF\xD4\xCA\xBE\xB0\xE6\xB1\xBE\xBA\xF3\xCD\xCB\xB3\xF6",
    "显示版本后退出"};
// 密码依次取自：参数、--password-file、服务器文件、环境变量 RCON_PASSWORD、提示输入。 (The password comes from, first found: the argument, --password-file, the servers file, RCON_PASSWORD, the prompt.)
inline constexpr OwnText kHelpPasswordSources{
    "\xC3\xDC\xC2\xEB\xD2\xC0\xB4\xCE\xC8\xA1\xD7\xD4\xA3\xBA\xB2\xCE\xCA\xFD\xA1\xA2--password-file\xA1"
    "\xA2\xB7\xFE\xCE\xF1\xC6\xF7\xCE\xC4\xBC\xFE\xA1\xA2\xBB\xB7\xBE\xB3\xB1\xE4\xC1\xBF RCON_PASSWORD"
    "\xA1\xA2\xCC\xE1\xCA\xBE\xCA\xE4\xC8\xEB\xA1\xA3",
    "密码依次取自：参数、--password-file、服务器文件、环境变量 RCON_PASSWORD、提示输入。"};
// 服务器文件：~/.config/rcon-console/servers.toml（或 $XDG_CONFIG_HOME 下；Windows：%APPDATA%\rcon-console\servers.toml），或环境变量 RCON_CONSOLE_SERVERS 指定的文件。 (The servers file: ~/.config/rcon-console/servers.toml (or under $XDG_CONFIG_HOME; Windows: %APPDATA%\rcon-console\servers.toml), or the file RCON_CONSOLE_SERVERS names.)
inline constexpr OwnText kHelpServersFile{
    "\xB7\xFE\xCE\xF1\xC6\xF7\xCE\xC4\xBC\xFE\xA3\xBA~/.config/rcon-console/servers.toml\xA3\xA8\xBB\xF2"
    " $XDG_CONFIG_HOME \xCF\xC2\xA3\xBBWindows\xA3\xBA%APPDATA%\\rcon-console\\servers.toml\xA3\xA9\xA3"
    "\xAC\xBB\xF2\xBB\xB7\xBE\xB3\xB1\xE4\xC1\xBF RCON_CONSOLE_SERVERS \xD6\xB8\xB6\xA8\xB5\xC4\xCE\xC4"
    "\xBC\xFE\xA1\xA3",
    "服务器文件：~/.config/rcon-console/servers.toml（或 $XDG_CONFIG_HOME 下；Windows：%APPDATA%\\rcon-console\\servers.toml），或环境变量 RCON_CONSOLE_SERVERS 指定的文件。"};
// 退出状态（给出任何选项时）：0 每条命令都有回复；1 无法访问服务器；2 密码错误；3 有命令超时或连接丢失未能恢复；64 选项或参数有误。 (Exit status (with any option): 0 every command answered; 1 server unreachable; 2 wrong password; 3 a command timed out or the connection was lost for good; 64 unusable options or arguments.)
inline constexpr OwnText kHelpExitStatus{
    "\xCD\xCB\xB3\xF6\xD7\xB4\xCC\xAC\xA3\xA8\xB8\xF8\xB3\xF6\xC8\xCE\xBA\xCE\xD1\xA1\xCF\xEE\xCA\xB1"
    "\xA3\xA9\xA3\xBA" "0 \xC3\xBF\xCC\xF5\xC3\xFC\xC1\xEE\xB6\xBC\xD3\xD0\xBB\xD8\xB8\xB4\xA3\xBB" "1 "
    "\xCE\xDE\xB7\xA8\xB7\xC3\xCE\xCA\xB7\xFE\xCE\xF1\xC6\xF7\xA3\xBB" "2 \xC3\xDC\xC2\xEB\xB4\xED\xCE"
    "\xF3\xA3\xBB" "3 \xD3\xD0\xC3\xFC\xC1\xEE\xB3\xAC\xCA\xB1\xBB\xF2\xC1\xAC\xBD\xD3\xB6\xAA\xCA\xA7"
    "\xCE\xB4\xC4\xDC\xBB\xD6\xB8\xB4\xA3\xBB" "64 \xD1\xA1\xCF\xEE\xBB\xF2\xB2\xCE\xCA\xFD\xD3\xD0\xCE"
    "\xF3\xA1\xA3",
    "退出状态（给出任何选项时）：0 每条命令都有回复；1 无法访问服务器；2 密码错误；3 有命令超时或连接丢失未能恢复；64 选项或参数有误。"};
// 详见 man rcon-console。 (See man rcon-console.)
inline constexpr OwnText kHelpMore{
    "\xCF\xEA\xBC\xFB man rcon-console\xA1\xA3",
    "详见 man rcon-console。"};

// What stands ahead of every complaint about the command line, and the hint after it.
// rcon-console： (rcon-console: )
inline constexpr OwnText kComplaintPrefix{
    "rcon-console\xA3\xBA",
    "rcon-console："};
// 运行 rcon-console --help 查看用法。 (Run rcon-console --help for its usage.)
inline constexpr OwnText kHelpHint{
    "\xD4\xCB\xD0\xD0 rcon-console --help \xB2\xE9\xBF\xB4\xD3\xC3\xB7\xA8\xA1\xA3",
    "运行 rcon-console --help 查看用法。"};

// Complaints about the command line (exit status 64); what they are about follows each.
// 未知的选项： (Unknown option: )
inline constexpr OwnText kUnknownOption{
    "\xCE\xB4\xD6\xAA\xB5\xC4\xD1\xA1\xCF\xEE\xA3\xBA",
    "未知的选项："};
// 选项不明确： (Ambiguous option: )
inline constexpr OwnText kAmbiguousOption{
    "\xD1\xA1\xCF\xEE\xB2\xBB\xC3\xF7\xC8\xB7\xA3\xBA",
    "选项不明确："};
// 选项缺少值： (The option needs a value: )
inline constexpr OwnText kMissingValue{
    "\xD1\xA1\xCF\xEE\xC8\xB1\xC9\xD9\xD6\xB5\xA3\xBA",
    "选项缺少值："};
// 选项不带值： (The option takes no value: )
inline constexpr OwnText kUnexpectedValue{
    "\xD1\xA1\xCF\xEE\xB2\xBB\xB4\xF8\xD6\xB5\xA3\xBA",
    "选项不带值："};
// 缺少主机和端口（或 -s 名称） (Host and port missing (or -s NAME))
inline constexpr OwnText kMissingHost{
    "\xC8\xB1\xC9\xD9\xD6\xF7\xBB\xFA\xBA\xCD\xB6\xCB\xBF\xDA\xA3\xA8\xBB\xF2 -s \xC3\xFB\xB3\xC6\xA3"
    "\xA9",
    "缺少主机和端口（或 -s 名称）"};
// 参数过多： (Too many arguments: )
inline constexpr OwnText kTooManyArguments{
    "\xB2\xCE\xCA\xFD\xB9\xFD\xB6\xE0\xA3\xBA",
    "参数过多："};
// -s 与主机、端口参数不能同时给出 (-s and host and port arguments cannot both be given)
inline constexpr OwnText kServerAndArguments{
    "-s \xD3\xEB\xD6\xF7\xBB\xFA\xA1\xA2\xB6\xCB\xBF\xDA\xB2\xCE\xCA\xFD\xB2\xBB\xC4\xDC\xCD\xAC\xCA\xB1"
    "\xB8\xF8\xB3\xF6",
    "-s 与主机、端口参数不能同时给出"};
// 端口必须是十进制数字： (The port must be decimal digits: )
inline constexpr OwnText kBadPort{
    "\xB6\xCB\xBF\xDA\xB1\xD8\xD0\xEB\xCA\xC7\xCA\xAE\xBD\xF8\xD6\xC6\xCA\xFD\xD7\xD6\xA3\xBA",
    "端口必须是十进制数字："};
// 超时必须是十进制数字（毫秒）： (The time-out must be decimal digits (milliseconds): )
inline constexpr OwnText kBadTimeout{
    "\xB3\xAC\xCA\xB1\xB1\xD8\xD0\xEB\xCA\xC7\xCA\xAE\xBD\xF8\xD6\xC6\xCA\xFD\xD7\xD6\xA3\xA8\xBA\xC1"
    "\xC3\xEB\xA3\xA9\xA3\xBA",
    "超时必须是十进制数字（毫秒）："};
// 超时给了两次（-t 与第四个参数） (The time-out is given twice (-t and the fourth argument))
inline constexpr OwnText kTimeoutTwice{
    "\xB3\xAC\xCA\xB1\xB8\xF8\xC1\xCB\xC1\xBD\xB4\xCE\xA3\xA8-t \xD3\xEB\xB5\xDA\xCB\xC4\xB8\xF6\xB2\xCE"
    "\xCA\xFD\xA3\xA9",
    "超时给了两次（-t 与第四个参数）"};
// 无法读取密码文件： (Cannot read the password file: )
inline constexpr OwnText kPasswordFileUnreadable{
    "\xCE\xDE\xB7\xA8\xB6\xC1\xC8\xA1\xC3\xDC\xC2\xEB\xCE\xC4\xBC\xFE\xA3\xBA",
    "无法读取密码文件："};
// 密码文件可被其他用户读取，已拒绝使用；请运行 chmod 600  (The password file is readable by other users and was refused; run chmod 600 )
inline constexpr OwnText kPasswordFileOpen{
    "\xC3\xDC\xC2\xEB\xCE\xC4\xBC\xFE\xBF\xC9\xB1\xBB\xC6\xE4\xCB\xFB\xD3\xC3\xBB\xA7\xB6\xC1\xC8\xA1"
    "\xA3\xAC\xD2\xD1\xBE\xDC\xBE\xF8\xCA\xB9\xD3\xC3\xA3\xBB\xC7\xEB\xD4\xCB\xD0\xD0 chmod 600 ",
    "密码文件可被其他用户读取，已拒绝使用；请运行 chmod 600 "};
// 无法读取服务器文件： (Cannot read the servers file: )
inline constexpr OwnText kServersFileUnreadable{
    "\xCE\xDE\xB7\xA8\xB6\xC1\xC8\xA1\xB7\xFE\xCE\xF1\xC6\xF7\xCE\xC4\xBC\xFE\xA3\xBA",
    "无法读取服务器文件："};
// 服务器文件中有密码，但可被其他用户读取，已拒绝使用；请运行 chmod 600  (The servers file holds a password but is readable by other users and was refused; run chmod 600 )
inline constexpr OwnText kServersFileOpen{
    "\xB7\xFE\xCE\xF1\xC6\xF7\xCE\xC4\xBC\xFE\xD6\xD0\xD3\xD0\xC3\xDC\xC2\xEB\xA3\xAC\xB5\xAB\xBF\xC9"
    "\xB1\xBB\xC6\xE4\xCB\xFB\xD3\xC3\xBB\xA7\xB6\xC1\xC8\xA1\xA3\xAC\xD2\xD1\xBE\xDC\xBE\xF8\xCA\xB9"
    "\xD3\xC3\xA3\xBB\xC7\xEB\xD4\xCB\xD0\xD0 chmod 600 ",
    "服务器文件中有密码，但可被其他用户读取，已拒绝使用；请运行 chmod 600 "};
// 服务器文件中没有这个服务器： (No such server in the servers file: )
inline constexpr OwnText kUnknownServer{
    "\xB7\xFE\xCE\xF1\xC6\xF7\xCE\xC4\xBC\xFE\xD6\xD0\xC3\xBB\xD3\xD0\xD5\xE2\xB8\xF6\xB7\xFE\xCE\xF1"
    "\xC6\xF7\xA3\xBA",
    "服务器文件中没有这个服务器："};

// What is wrong in the servers file, after its name and line.
// " 第 N 行：" between the file's name and what is wrong on that line (" line N: ")
inline constexpr std::array<OwnText, 2> kAtLine{{
    {" \xB5\xDA ", " 第 "},
    {" \xD0\xD0\xA3\xBA", " 行："},
}};
// 不是有效的 TOML： (not valid TOML: )
inline constexpr OwnText kNotToml{
    "\xB2\xBB\xCA\xC7\xD3\xD0\xD0\xA7\xB5\xC4 TOML\xA3\xBA",
    "不是有效的 TOML："};
// 应为 [名称] 表： (should be a [name] table: )
inline constexpr OwnText kNotATable{
    "\xD3\xA6\xCE\xAA [\xC3\xFB\xB3\xC6] \xB1\xED\xA3\xBA",
    "应为 [名称] 表："};
// 未知的键： (unknown key: )
inline constexpr OwnText kUnknownKey{
    "\xCE\xB4\xD6\xAA\xB5\xC4\xBC\xFC\xA3\xBA",
    "未知的键："};
// 缺少 host： (host missing: )
inline constexpr OwnText kMissingHostKey{
    "\xC8\xB1\xC9\xD9 host\xA3\xBA",
    "缺少 host："};
// 缺少 port： (port missing: )
inline constexpr OwnText kMissingPortKey{
    "\xC8\xB1\xC9\xD9 port\xA3\xBA",
    "缺少 port："};
// 值不正确： (bad value: )
inline constexpr OwnText kBadValue{
    "\xD6\xB5\xB2\xBB\xD5\xFD\xC8\xB7\xA3\xBA",
    "值不正确："};

// The line between two exchanges, and the prompt for a command.
inline constexpr std::string_view kSeparator = "----------------";
inline constexpr std::string_view kCommandPrompt = "> ";

}  // namespace rcon::messages
