#pragma once

#include <QUrl>
#include <QVariant>

#include <functional>
#include <string>

// What the Help and About pages' browsers show for an image or style sheet a page names: read
// under the page rules (loading/PageFile.h) from the model folder, pictures checked by their
// declared size before decoding (ui/BoundedImage.h). A refused resource prints one line naming
// it (through report, when given, instead) and shows nothing: a transparent pixel for a
// picture, an empty style sheet.
QVariant
loadPageResource(const std::string& modelFolder,
                 int type,
                 const QUrl& name,
                 const std::function<void(const std::string&)>& report = {});
