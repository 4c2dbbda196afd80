// Conversion between the console's code page and UTF-8, the server's. The console's texts are
// GBK (code page 936); where the console is a UTF-8 terminal, which can show every character,
// they are GB18030, GBK's superset (byte for byte the same for every GBK character), so that
// characters GBK lacks survive both ways. Characters the target lacks and invalid input
// sequences become "?"; a conversion never fails, never cuts its result short, and takes time
// in proportion to its input. Input texts end at their first zero byte.
#pragma once

#include "util/text.h"

namespace rcon {

// The code page of the console's texts inside the program.
enum class ConsoleCodePage { kGbk, kGb18030 };

// Converts texts of one console code page to and from UTF-8. It keeps the platform's
// converters open from their first use to its end, so converting costs no set-up each time.
class CodePageConverter {
 public:
  explicit CodePageConverter(ConsoleCodePage page = ConsoleCodePage::kGbk) : page_(page) {}
  // Closes the platform's converters.
  ~CodePageConverter();
  CodePageConverter(const CodePageConverter&) = delete;
  CodePageConverter& operator=(const CodePageConverter&) = delete;
  // Takes over the other's converters; the other then has none.
  CodePageConverter(CodePageConverter&& other) noexcept;
  CodePageConverter& operator=(CodePageConverter&& other) noexcept;

  // The console code page it converts.
  ConsoleCodePage Page() const { return page_; }
  // Converts a console text to UTF-8.
  Text ToUtf8(std::string_view text);
  Text ToUtf8(const char* text) { return ToUtf8(std::string_view(text)); }
  // The same, handing back plain ASCII (which reads the same in both) without a copy.
  Text ToUtf8(Text&& text);
  // Converts UTF-8 to a console text.
  Text FromUtf8(std::string_view utf8);
  Text FromUtf8(const char* utf8) { return FromUtf8(std::string_view(utf8)); }
  // The same, handing back plain ASCII without a copy.
  Text FromUtf8(Bytes&& utf8);

 private:
  void Close();

  ConsoleCodePage page_;
  void* to_utf8_ = nullptr;  // the platform's open converters, where it keeps any
  void* from_utf8_ = nullptr;
};

// Converts GBK text to UTF-8.
Text GbkToUtf8(std::string_view gbk);

// Converts UTF-8 text to GBK.
Text Utf8ToGbk(std::string_view utf8);

}  // namespace rcon
