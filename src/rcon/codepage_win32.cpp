#include <windows.h>

#include "rcon/codepage_platform.h"

namespace rcon::codepage_platform {
namespace {

UINT CodePageOf(ConsoleCodePage page) { return page == ConsoleCodePage::kGb18030 ? 54936 : 936; }

// Reads a text in the given code page as UTF-16; the buffer is sized by that code page.
std::wstring TextToWide(std::string_view text, UINT code_page) {
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
  return Text(UpToZero(text));
}

}  // namespace

// The Windows converters keep no state: nothing is opened.
Text ToUtf8(ConsoleCodePage page, void*& /*converter*/, std::string_view text) {
  return WideToText(TextToWide(text, CodePageOf(page)), CP_UTF8);
}

Text FromUtf8(ConsoleCodePage page, void*& /*converter*/, std::string_view utf8) {
  return WideToText(TextToWide(utf8, CP_UTF8), CodePageOf(page));
}

void CloseConverter(void* /*converter*/) {}

}  // namespace rcon::codepage_platform
