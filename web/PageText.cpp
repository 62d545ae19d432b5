#include "web/PageText.h"

#include <QRegularExpression>

namespace {

QString
decodeEntities(const QString& text)
{
  static const QRegularExpression entity(
    QStringLiteral("&(#[0-9]{1,7}|#[xX][0-9a-fA-F]{1,6}|[a-zA-Z]{2,8});"));
  QString result;
  result.reserve(text.size());
  int last = 0;
  QRegularExpressionMatchIterator matches = entity.globalMatch(text);
  while (matches.hasNext()) {
    const QRegularExpressionMatch match = matches.next();
    result += text.mid(last, match.capturedStart() - last);
    last = match.capturedEnd();
    const QString name = match.captured(1);
    uint code = 0;
    if (name.startsWith(QLatin1String("#x")) || name.startsWith(QLatin1String("#X"))) {
      code = name.mid(2).toUInt(nullptr, 16);
    } else if (name.startsWith(QLatin1Char('#'))) {
      code = name.mid(1).toUInt();
    } else if (name == QLatin1String("amp")) {
      code = '&';
    } else if (name == QLatin1String("lt")) {
      code = '<';
    } else if (name == QLatin1String("gt")) {
      code = '>';
    } else if (name == QLatin1String("quot")) {
      code = '"';
    } else if (name == QLatin1String("apos")) {
      code = '\'';
    } else if (name == QLatin1String("nbsp")) {
      code = ' ';
    }
    // An unknown name, a control character or no character at all stays as it was written.
    if (code == 0 || code > 0x10FFFF || (code < 0x20 && code != '\n' && code != '\t') ||
        (code >= 0xD800 && code <= 0xDFFF)) {
      result += match.captured(0);
    } else {
      const char32_t character = code;
      result += QString::fromUcs4(&character, 1);
    }
  }
  result += text.mid(last);
  return result;
}

} // namespace

QString
pagePlainText(const QString& html)
{
  QString text = html;
  static const QRegularExpression hidden(
    QStringLiteral("<(script|style|head|title)\\b[^>]*>.*?(</\\1\\s*>|$)"),
    QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
  text.remove(hidden);
  static const QRegularExpression comment(QStringLiteral("<!--.*?(-->|$)"),
                                          QRegularExpression::DotMatchesEverythingOption);
  text.remove(comment);
  // Line ends in the source are blanks, as a browser takes them; the page's own breaks are not.
  static const QRegularExpression whiteSpace(QStringLiteral("\\s+"));
  text.replace(whiteSpace, QStringLiteral(" "));
  static const QRegularExpression breaks(
    QStringLiteral("<(br|/p|p|/h[1-6]|/li|li|/tr|/div|/dd|/dt)\\b[^>]*>"),
    QRegularExpression::CaseInsensitiveOption);
  text.replace(breaks, QStringLiteral("\n"));
  static const QRegularExpression tags(QStringLiteral("<[^>]*(>|$)"));
  text.remove(tags);
  text = decodeEntities(text);
  // Blank lines between paragraphs fold into one line end.
  static const QRegularExpression lineEnds(QStringLiteral(" *\\n[ \\n]*"));
  text.replace(lineEnds, QStringLiteral("\n"));
  return text.trimmed();
}
