#include "loading/PageReduction.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <vector>

namespace {

const QChar zeroWidthSpace(0x200B);

bool
isSpace(QChar character)
{
  return character == QLatin1Char(' ') || character == QLatin1Char('\t') ||
         character == QLatin1Char('\n') || character == QLatin1Char('\r') ||
         character == QLatin1Char('\f');
}

bool
isNameCharacter(QChar character)
{
  return character.isLetterOrNumber() || character == QLatin1Char('-') ||
         character == QLatin1Char(':') || character == QLatin1Char('_');
}

// Elements that never hold others.
bool
isVoidElement(const QString& name)
{
  static const QSet<QString> names = { "br",   "img",  "hr",  "meta",  "link",  "input", "col",
                                       "area", "base", "wbr", "param", "embed", "source" };
  return names.contains(name);
}

// Elements the browser closes by itself when the next of their kind starts; the parts of tables
// and lists are counted by their own rules.
bool
closesItself(const QString& name)
{
  static const QSet<QString> names = { "p",    "li",       "dt",      "dd",    "tr",   "td",
                                       "th",   "thead",    "tbody",   "tfoot", "html", "head",
                                       "body", "colgroup", "caption", "option" };
  return names.contains(name);
}

bool
isTablePart(const QString& name)
{
  static const QSet<QString> names = { "tr",      "td",  "th",       "thead", "tbody",
                                       "caption", "col", "colgroup", "tfoot" };
  return names.contains(name);
}

bool
isList(const QString& name)
{
  return name == QLatin1String("ul") || name == QLatin1String("ol") || name == QLatin1String("dl");
}

bool
isListItem(const QString& name)
{
  return name == QLatin1String("li") || name == QLatin1String("dt") || name == QLatin1String("dd");
}

// Elements whose content is not text to lay out: copied as it is, up to their closing tag.
bool
holdsRawText(const QString& name)
{
  return name == QLatin1String("style") || name == QLatin1String("script") ||
         name == QLatin1String("title");
}

// Whether text holds a run of at least four digits: the only numbers the bounds below change.
bool
holdsLargeNumber(const QStringRef& text)
{
  int run = 0;
  for (const QChar character : text) {
    run = character.isDigit() ? run + 1 : 0;
    if (run >= 4) {
      return true;
    }
  }
  return false;
}

// Each number the pattern's second group captures, lowered to bound where it is larger.
QString
bounded(const QString& text, const QRegularExpression& pattern, int bound)
{
  QString out;
  int copied = 0;
  QRegularExpressionMatchIterator matches = pattern.globalMatch(text);
  while (matches.hasNext()) {
    const QRegularExpressionMatch match = matches.next();
    bool valid = false;
    const double value = match.captured(2).toDouble(&valid);
    if (valid && value <= bound) {
      continue;
    }
    out += text.midRef(copied, match.capturedStart(2) - copied);
    out += QString::number(bound);
    copied = match.capturedEnd(2);
  }
  if (copied == 0) {
    return text;
  }
  out += text.midRef(copied);
  return out;
}

// Lengths in style sheets and style attributes: Qt's table layout adds paddings and spacings in
// ints, and a padding, spacing or border of two billion pixels overflows it into a loop that never
// ends (a 60-byte table kept the window busy for good). Nothing a page shows needs more than
// 10,000 pixels, which still lays out in a fraction of a second.
QString
boundedStyle(const QString& style)
{
  // A number standing alone (not part of a name, a colour or a file's name), with its unit.
  static const QRegularExpression length(
    QStringLiteral(R"((^|[\s:,(-])(\d{4,}(?:\.\d+)?)(?=\s*(?:[a-z%]{1,4}\b|[;,)!'"}]|\s|$)))"),
    QRegularExpression::CaseInsensitiveOption);
  return bounded(style, length, 10000);
}

// A start tag with its size attributes and style lowered to bounds: the sizes as for styles, and
// spans of columns or rows to 1,000 (a cell spanning 100,000 columns took 1.8 s to lay out).
QString
boundedTag(const QStringRef& tag)
{
  if (!holdsLargeNumber(tag)) {
    return tag.toString();
  }
  static const QRegularExpression sizes(
    QStringLiteral(
      R"(\b(width|height|border|cellpadding|cellspacing|hspace|vspace|size)\s*=\s*["']?\s*(\d+(?:\.\d*)?))"),
    QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression spans(
    QStringLiteral(R"(\b(colspan|rowspan)\s*=\s*["']?\s*(\d+))"),
    QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression style(QStringLiteral(R"(\bstyle\s*=\s*("[^"]*"|'[^']*'))"),
                                        QRegularExpression::CaseInsensitiveOption);
  QString out = bounded(bounded(tag.toString(), sizes, 10000), spans, 1000);
  QString styled;
  int copied = 0;
  QRegularExpressionMatchIterator matches = style.globalMatch(out);
  while (matches.hasNext()) {
    const QRegularExpressionMatch match = matches.next();
    styled += out.midRef(copied, match.capturedStart(1) - copied);
    styled += boundedStyle(match.captured(1));
    copied = match.capturedEnd(1);
  }
  styled += out.midRef(copied);
  return styled;
}

class Reducer
{
public:
  Reducer(const QString& html, const PageShape& shape)
    : html(html)
    , shape(shape)
  {
    out.reserve(html.size() + html.size() / 64);
  }

  QString run()
  {
    while (position < html.size() && characters < shape.mostCharacters) {
      const QChar character = html[position];
      if (character == QLatin1Char('<') && startsMarkup()) {
        markup();
      } else if (character == QLatin1Char('&')) {
        entity();
      } else {
        text(character);
      }
    }
    return out;
  }

private:
  bool startsMarkup() const
  {
    if (position + 1 >= html.size()) {
      return false;
    }
    const QChar next = html[position + 1];
    return next.isLetter() || next == QLatin1Char('/') || next == QLatin1Char('!') ||
           next == QLatin1Char('?');
  }

  void text(QChar character)
  {
    if (isSpace(character)) {
      wordLength = 0;
    } else if (++wordLength > shape.longestWord) {
      out += zeroWidthSpace;
      wordLength = 1;
    }
    out += character;
    ++characters;
    ++position;
  }

  // "&amp;", "&#233;": one character of the page, never split by a break.
  void entity()
  {
    int end = position + 1;
    while (end < html.size() && end - position <= 32 && isNameCharacter(html[end])) {
      ++end;
    }
    if (end < html.size() && html[end] == QLatin1Char('#')) {
      // "&#x41;" after "&#": the name characters again.
      ++end;
      while (end < html.size() && end - position <= 32 && isNameCharacter(html[end])) {
        ++end;
      }
    }
    if (end < html.size() && html[end] == QLatin1Char(';') && end > position + 1) {
      if (++wordLength > shape.longestWord) {
        out += zeroWidthSpace;
        wordLength = 1;
      }
      out += html.midRef(position, end + 1 - position);
      ++characters;
      position = end + 1;
      return;
    }
    text(html[position]);
  }

  void markup()
  {
    if (html.midRef(position, 4) == QLatin1String("<!--")) {
      // A comment shows nothing; an unclosed one hides the rest of the page, as in the browser.
      const int end = html.indexOf(QLatin1String("-->"), position + 4);
      position = end < 0 ? html.size() : end + 3;
      return;
    }
    // The tag runs to the first '>' outside quotes.
    int end = position + 1;
    QChar quote;
    for (; end < html.size(); ++end) {
      const QChar character = html[end];
      if (!quote.isNull()) {
        if (character == quote) {
          quote = QChar();
        }
      } else if (character == QLatin1Char('"') || character == QLatin1Char('\'')) {
        quote = character;
      } else if (character == QLatin1Char('>')) {
        break;
      }
    }
    if (end >= html.size()) {
      // A tag that never ends: the browser shows nothing of it either.
      position = html.size();
      return;
    }
    const QStringRef tag = html.midRef(position, end + 1 - position);
    position = end + 1;
    // Once no tag is kept any more, or after ten times as many as are kept (tags left out inside
    // deep nesting), what a tag is no longer matters: each one read costs a name and a lookup.
    if (elements >= shape.mostElements || ++tagsRead > 10 * shape.mostElements) {
      return;
    }
    const bool closing = tag.at(1) == QLatin1Char('/');
    int nameEnd = closing ? 2 : 1;
    while (nameEnd < tag.size() && isNameCharacter(tag.at(nameEnd))) {
      ++nameEnd;
    }
    const QString name = tag.mid(closing ? 2 : 1, nameEnd - (closing ? 2 : 1)).toString().toLower();
    if (tag.at(1) == QLatin1Char('!') || tag.at(1) == QLatin1Char('?') || name.isEmpty()) {
      keep(tag);
      return;
    }
    if (closing) {
      closeTag(name, tag);
    } else {
      const int before = out.size();
      openTag(name, tag);
      if (holdsRawText(name)) {
        rawText(name, out.size() > before);
      }
    }
  }

  void openTag(const QString& name, const QStringRef& original)
  {
    const QString bounded = boundedTag(original);
    const QStringRef tag(&bounded);
    if (name == QLatin1String("table")) {
      const bool kept = int(tables.size()) < shape.deepestTable && !flattenedTable();
      tables.push_back(kept);
      if (kept) {
        keep(tag);
      }
    } else if (isTablePart(name) && flattenedTable()) {
      if (name == QLatin1String("tr")) {
        keep(QStringRef(&lineBreak));
      } else if (name == QLatin1String("td") || name == QLatin1String("th")) {
        out += QLatin1Char(' ');
        wordLength = 0;
      }
    } else if (isList(name)) {
      const bool kept = int(lists.size()) < shape.deepestList && !flattenedList();
      lists.push_back(kept);
      if (kept) {
        keep(tag);
      }
    } else if (isListItem(name) && flattenedList()) {
      keep(QStringRef(&lineBreak));
    } else if (isVoidElement(name) || closesItself(name) || tag.endsWith(QLatin1String("/>"))) {
      keep(tag);
    } else if (nesting >= shape.deepestNesting) {
      ++leftOut[name];
    } else {
      ++open[name];
      ++nesting;
      keep(tag);
    }
  }

  void closeTag(const QString& name, const QStringRef& tag)
  {
    if (name == QLatin1String("table") || isList(name)) {
      std::vector<bool>& stack = name == QLatin1String("table") ? tables : lists;
      if (!stack.empty()) {
        const bool kept = stack.back();
        stack.pop_back();
        if (kept) {
          keep(tag);
        }
      }
    } else if ((isTablePart(name) && flattenedTable()) || (isListItem(name) && flattenedList())) {
      // The parts of a flattened table or list were left out with their start tags.
    } else if (isVoidElement(name) || closesItself(name)) {
      keep(tag);
    } else if (leftOut.value(name) > 0) {
      // The innermost of its kind is one that was left out.
      --leftOut[name];
    } else if (open.value(name) > 0) {
      --open[name];
      --nesting;
      keep(tag);
    }
  }

  bool flattenedTable() const { return !tables.empty() && !tables.back(); }
  bool flattenedList() const { return !lists.empty() && !lists.back(); }

  // A style sheet or script, to its closing tag: copied when its tag was kept, counted as
  // characters, never broken.
  void rawText(const QString& name, bool kept)
  {
    int end = html.indexOf(QLatin1String("</") + name, position, Qt::CaseInsensitive);
    if (end < 0) {
      end = html.size();
    }
    const int length = std::min(end - position, shape.mostCharacters - characters);
    if (kept && name == QLatin1String("style")) {
      out += boundedStyle(html.mid(position, length));
    } else if (kept) {
      out += html.midRef(position, length);
    }
    characters += length;
    position += length;
  }

  void keep(const QStringRef& tag)
  {
    if (elements >= shape.mostElements) {
      return;
    }
    ++elements;
    out += tag;
  }

  const QString& html;
  const PageShape& shape;
  const QString lineBreak = QStringLiteral("<br>");
  QString out;
  int position = 0;
  int characters = 0;
  int wordLength = 0;
  int elements = 0;
  int tagsRead = 0;
  int nesting = 0;
  std::vector<bool> tables; // each open table: kept, or flattened
  std::vector<bool> lists;
  QHash<QString, int> open;    // elements of each name open and kept
  QHash<QString, int> leftOut; // and open but left out, inside the kept ones
};

} // namespace

QString
reducedPage(const QString& html, const PageShape& shape)
{
  return Reducer(html, shape).run();
}
