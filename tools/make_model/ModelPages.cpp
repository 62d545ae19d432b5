#include "tools/make_model/ModelPages.h"

#include "loading/SectionVolume.h"
#include "tools/make_model/ModelWriter.h"

#include <QString>

#include <cmath>
#include <cstdio>

namespace makemodel {

namespace {

std::string
swatch(const std::array<double, 3>& color)
{
  char hex[8];
  std::snprintf(hex,
                sizeof hex,
                "#%02x%02x%02x",
                int(std::lround(color[0] * 255)),
                int(std::lround(color[1] * 255)),
                int(std::lround(color[2] * 255)));
  return hex;
}

std::string
slabText(const SectionVolumeGrid& grid)
{
  char text[160];
  std::snprintf(text,
                sizeof text,
                "%.1f x %.1f x %.1f mm",
                grid.dimensions[0] * grid.spacing[0],
                grid.dimensions[1] * grid.spacing[1],
                grid.dimensions[2] * grid.spacing[2]);
  return text;
}

std::string
structureList(const ModelContent& content, bool withSources)
{
  std::string list = "<ul>\n";
  for (const Structure& structure : content.structures) {
    list += "<li><font color=\"" + swatch(structure.color) + "\">&#9632;</font> <b>" +
            htmlText(structure.name) + "</b>" +
            (withSources ? " (" + htmlText(structure.source) + ")" : std::string()) + "</li>\n";
  }
  return list + "</ul>\n";
}

} // namespace

std::string
htmlText(const std::string& text)
{
  std::string result;
  for (QChar character : QString::fromUtf8(text.c_str(), int(text.size()))) {
    const ushort code = character.unicode();
    if (code == '<' || code == '>' || code == '&' || code == '"' || code > 126 || code < 32) {
      result += "&#" + std::to_string(code < 32 ? ushort(' ') : code) + ';';
    } else {
      result += char(code);
    }
  }
  return result;
}

QByteArray
helpPage(const ModelContent& content)
{
  std::string page = "<html>\n<head><title>Cochlex Help</title></head>\n<body>\n"
                     "<h1>Cochlex Help</h1>\n"
                     "<p>This teaching model was made from a segmentation with "
                     "<b>cochlex-make-model</b>. Its structures:</p>\n";
  page += structureList(content, false);
  page += "<h2>Using the viewer</h2>\n"
          "<p>Drag in the Model view to turn the model, drag with the right button to zoom and "
          "with the middle button to pan. Rest the pointer on a structure to see its name; "
          "double-click it to show it alone.</p>\n"
          "<p>The rows of <b>Visibility and Transparency</b> show, hide and fade each "
          "structure. The section tabs move three section images through the volume and cut the "
          "structures at their planes.</p>\n"
          "<p>The section volume covers " +
          slabText(content.volumeGrid) +
          ": the structures and a margin of 2 mm around them.</p>\n"
          "<p>The small Head view shows from where you look; the letters M, P and S of the "
          "axes point medial, posterior and superior.</p>\n</body>\n</html>\n";
  return QByteArray::fromStdString(page);
}

QByteArray
aboutPage(const ModelContent& content)
{
  std::string page = "<html>\n<head><title>About this model</title></head>\n<body>\n"
                     "<h1>About this model</h1>\n"
                     "<p>Made with <b>cochlex-make-model</b> from:</p>\n<ul>\n";
  for (const std::string& source : content.sources) {
    page += "<li>" + htmlText(source) + "</li>\n";
  }
  page += "</ul>\n<p>Structures:</p>\n" + structureList(content, true) +
          "<p>Section images: " + htmlText(content.volumeSource) + ", resampled into " +
          slabText(content.volumeGrid) + ".</p>\n</body>\n</html>\n";
  return QByteArray::fromStdString(page);
}

} // namespace makemodel
