// Message formatting with printf-like patterns ("Cannot open file %s",
// "List index out of bounds (%d)"). The pattern is always the program's own
// text; user data only ever travels as an argument, so a '%' in a file name
// can never be taken for a directive.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace morvel {

// One argument of formatMessage: a text or a whole number.
class FormatArg {
 public:
  FormatArg(std::string_view text) : text_(text), isNumber_(false) {}
  FormatArg(const std::string& text) : text_(text), isNumber_(false) {}
  FormatArg(const char* text) : text_(text ? text : ""), isNumber_(false) {}
  FormatArg(int number) : number_(number) {}
  FormatArg(long number) : number_(number) {}
  FormatArg(long long number) : number_(number) {}
  FormatArg(unsigned number) : number_(number) {}
  FormatArg(unsigned long number) : number_(static_cast<std::int64_t>(number)) {}

  // The argument as text: numbers in decimal with a leading '-' when negative.
  std::string text() const;

 private:
  std::string_view text_;
  std::int64_t number_ = 0;
  bool isNumber_ = true;
};

// Replaces each %s, %S and %d of the pattern by the next argument (a number
// given for %s prints in decimal, a text given for %d prints as it is) and
// %% by '%'. A directive without an argument left prints nothing; surplus
// arguments are ignored; any other '%' sequence is copied unchanged.
std::string formatMessage(std::string_view pattern, std::initializer_list<FormatArg> args);

template <class... Args>
std::string formatMessage(std::string_view pattern, const Args&... args) {
  return formatMessage(pattern, std::initializer_list<FormatArg>{FormatArg(args)...});
}

}  // namespace morvel
