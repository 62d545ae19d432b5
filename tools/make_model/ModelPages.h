#pragma once

#include <QByteArray>

#include <string>

namespace makemodel {

struct ModelContent;

// The Help and About pages of a made model. The viewer reads them as Latin-1 and joins their
// lines with nothing between them, so they are plain ASCII (anything else as an HTML entity)
// and every line ends in a tag.
QByteArray
helpPage(const ModelContent& content);
QByteArray
aboutPage(const ModelContent& content);

// Text for HTML: markup characters and anything beyond ASCII as entities (UTF-8 decoded).
std::string
htmlText(const std::string& text);

} // namespace makemodel
