#pragma once

#include <string>

namespace makemodel {

// A structure's page from the --descriptions folder: NAME.html, else the name as its file is
// called in the model, else LABEL.html (label < 0: none); at most 1 MiB; empty when there is
// none. Only files inside the folder are read: a name from a colour table such as "../../x"
// names no page.
std::string
descriptionPage(const std::string& folder, const std::string& name, int label);

} // namespace makemodel
