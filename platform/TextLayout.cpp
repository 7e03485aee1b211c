// Text placement shared by every canvas; see TextLayout.h.
#include "platform/TextLayout.h"

#include <algorithm>

namespace morvel {
namespace {

constexpr int kTabColumns = 8;
constexpr std::string_view kEllipsis = "...";

// A paragraph after accelerator stripping and tab expansion.
struct Paragraph {
  std::string text;
  int accelerator = -1;
};

Paragraph prepare(std::string_view raw, const TextFormat& format, bool utf8) {
  Paragraph p;
  std::string stripped;
  if (format.flags & tfNoPrefix) {
    stripped.assign(raw);
  } else {
    stripped = stripAccelerator(raw, &p.accelerator);
  }
  // Tabs: to the next stop of kTabColumns characters, or one blank.
  int column = 0;
  for (std::size_t i = 0; i < stripped.size();) {
    const std::size_t next = nextCharacter(stripped, i, utf8);
    if (stripped[i] == '\t') {
      const int blanks = (format.flags & tfExpandTabs) ? kTabColumns - column % kTabColumns : 1;
      if (p.accelerator > static_cast<int>(i)) p.accelerator += blanks - 1;
      p.text.append(static_cast<std::size_t>(blanks), ' ');
      column += blanks;
    } else {
      p.text.append(stripped, i, next - i);
      ++column;
    }
    i = next;
  }
  return p;
}

struct Piece {
  std::size_t begin;
  std::size_t end;
};

// Breaks a paragraph into lines no wider than maxWidth where it can: between
// words, with the blanks at a break dropped. A word wider than the room stays
// whole on a line of its own.
std::vector<Piece> wrap(FontMetrics& metrics, std::string_view text, int maxWidth) {
  std::vector<Piece> pieces;
  std::size_t start = 0;
  while (true) {
    std::size_t end = start;  // end of the longest fitting run of words
    std::size_t scan = start;
    while (scan < text.size()) {
      std::size_t wordEnd = scan;
      while (wordEnd < text.size() && text[wordEnd] == ' ') ++wordEnd;
      while (wordEnd < text.size() && text[wordEnd] != ' ') ++wordEnd;
      if (end != start && metrics.textWidth(text.substr(start, wordEnd - start)) > maxWidth) break;
      end = wordEnd;
      scan = wordEnd;
      if (metrics.textWidth(text.substr(start, end - start)) > maxWidth) break;
    }
    pieces.push_back({start, end});
    start = end;
    while (start < text.size() && text[start] == ' ') ++start;
    if (start >= text.size()) break;
  }
  return pieces;
}

void ellipsize(FontMetrics& metrics, TextLine& line, int maxWidth, bool utf8) {
  if (line.width <= maxWidth) return;
  std::size_t keep = 0;
  for (std::size_t i = 0; i < line.text.size();) {
    const std::size_t next = nextCharacter(line.text, i, utf8);
    std::string candidate = line.text.substr(0, next);
    candidate += kEllipsis;
    if (metrics.textWidth(candidate) > maxWidth) break;
    keep = next;
    i = next;
  }
  line.text.resize(keep);
  line.text += kEllipsis;
  if (line.accelerator >= static_cast<int>(keep)) line.accelerator = -1;
  line.width = metrics.textWidth(line.text);
}

}  // namespace

bool isValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    std::size_t length = c >= 0xc2 && c < 0xe0   ? 2
                         : c >= 0xe0 && c < 0xf0 ? 3
                         : c >= 0xf0 && c < 0xf5 ? 4
                                                 : 0;
    if (length == 0 || i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xc0) != 0x80) return false;
    }
    const auto c1 = static_cast<unsigned char>(text[i + 1]);
    // Overlong three- and four-byte forms, UTF-16 surrogates, and code points past U+10FFFF.
    if ((c == 0xe0 && c1 < 0xa0) || (c == 0xed && c1 >= 0xa0) || (c == 0xf0 && c1 < 0x90) ||
        (c == 0xf4 && c1 >= 0x90)) {
      return false;
    }
    i += length;
  }
  return true;
}

std::size_t nextCharacter(std::string_view text, std::size_t pos, bool utf8) {
  if (pos >= text.size()) return text.size();
  ++pos;
  if (utf8) {
    while (pos < text.size() && (static_cast<unsigned char>(text[pos]) & 0xc0) == 0x80) ++pos;
  }
  return pos;
}

std::string stripAccelerator(std::string_view text, int* accelerator) {
  std::string out;
  out.reserve(text.size());
  int marked = -1;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') {
      out += text[i];
      continue;
    }
    if (i + 1 >= text.size()) break;  // a lone mark at the end shows nothing
    if (text[i + 1] != '&' && marked < 0) marked = static_cast<int>(out.size());
    out += text[++i];
  }
  if (accelerator) *accelerator = marked;
  return out;
}

LaidText layoutText(FontMetrics& metrics, const Rect& rect, std::string_view text,
                    const TextFormat& format) {
  LaidText laid;
  const bool utf8 = isValidUtf8(text);
  const int maxWidth = std::max(rect.width(), 0);

  // Split into paragraphs at CR LF, CR or LF; one line joins them.
  std::vector<std::string_view> paragraphs;
  if (!text.empty()) {
    std::string_view rest = text;
    while (true) {
      const std::size_t br = rest.find_first_of("\r\n");
      if (br == std::string_view::npos || (format.flags & tfSingleLine)) {
        paragraphs.push_back(rest);
        break;
      }
      paragraphs.push_back(rest.substr(0, br));
      const std::size_t skip =
          rest[br] == '\r' && br + 1 < rest.size() && rest[br + 1] == '\n' ? 2 : 1;
      rest.remove_prefix(br + skip);
    }
  }

  for (const auto raw : paragraphs) {
    std::string joined;
    std::string_view source = raw;
    if (format.flags & tfSingleLine) {
      for (const char c : raw) {
        if (c != '\r' && c != '\n') joined += c;
      }
      source = joined;
    }
    Paragraph p = prepare(source, format, utf8);
    std::vector<Piece> pieces;
    if ((format.flags & tfWordBreak) && !(format.flags & tfSingleLine)) {
      pieces = wrap(metrics, p.text, maxWidth);
    } else {
      pieces.push_back({0, p.text.size()});
    }
    for (const auto& piece : pieces) {
      TextLine line;
      line.text = p.text.substr(piece.begin, piece.end - piece.begin);
      // Blanks where a wrapped line ends are not part of it.
      if (&piece != &pieces.back()) {
        while (!line.text.empty() && line.text.back() == ' ') line.text.pop_back();
      }
      if (p.accelerator >= static_cast<int>(piece.begin) &&
          p.accelerator < static_cast<int>(piece.begin + line.text.size())) {
        line.accelerator = p.accelerator - static_cast<int>(piece.begin);
      }
      line.width = metrics.textWidth(line.text);
      if (format.flags & tfEndEllipsis) ellipsize(metrics, line, maxWidth, utf8);
      laid.lines.push_back(std::move(line));
    }
  }

  const int lineHeight = metrics.textHeight();
  const int total = lineHeight * static_cast<int>(laid.lines.size());
  int y = rect.top;
  if (format.layout == tlCenter) y = rect.top + (rect.height() - total) / 2;
  if (format.layout == tlBottom) y = rect.bottom - total;

  laid.bounds = {rect.left, y, rect.left, y + total};
  bool first = true;
  for (auto& line : laid.lines) {
    int x = rect.left;
    if (format.alignment == taRightJustify) x = rect.right - line.width;
    if (format.alignment == taCenter) x = rect.left + (rect.width() - line.width) / 2;
    line.origin = {x, y};
    y += lineHeight;
    if (first) {
      laid.bounds.left = x;
      laid.bounds.right = x + line.width;
      first = false;
    } else {
      laid.bounds.left = std::min(laid.bounds.left, x);
      laid.bounds.right = std::max(laid.bounds.right, x + line.width);
    }
  }
  return laid;
}

}  // namespace morvel
