#include <windows.h>

#include "rcon/codepage.h"

namespace rcon {
namespace {

constexpr UINT kGbk = 936;

// Reads a text in the given code page as UTF-16; the buffer is sized by that code page.
std::wstring TextToWide(std::string_view text, UINT code_page) {
  if (text.empty()) return std::wstring();
  const int length = static_cast<int>(text.size());
  const int units = MultiByteToWideChar(code_page, 0, text.data(), length, nullptr, 0);
  if (units <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  MultiByteToWideChar(code_page, 0, text.data(), length, wide.data(), units);
  return wide;
}

// Writes UTF-16 in the given code page; the buffer is sized by that code page, so the
// conversion is complete whatever the system's ANSI code page.
Text WideToText(const std::wstring& wide, UINT code_page) {
  if (wide.empty()) return Text();
  const int units = static_cast<int>(wide.size());
  const int bytes = WideCharToMultiByte(code_page, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return Text();
  Text text(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(code_page, 0, wide.data(), units, text.data(), bytes, nullptr, nullptr);
  return BytesToText(text);
}

}  // namespace

Text PlatformGbkToUtf8(std::string_view gbk) { return WideToText(TextToWide(gbk, kGbk), CP_UTF8); }

Text PlatformUtf8ToGbk(std::string_view utf8) { return WideToText(TextToWide(utf8, CP_UTF8), kGbk); }

}  // namespace rcon
