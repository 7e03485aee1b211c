// Turning the program's byte text into Qt strings and back: valid UTF-8 is
// read as UTF-8, anything else as Windows-1252, so no text is refused.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace morvel {

QString decodeText(std::string_view bytes);
std::string encodeUtf8(const QString& text);

}  // namespace morvel
