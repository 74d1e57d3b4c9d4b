// Where downloads go unless the user chooses otherwise: the folder "rezoruza" inside the user's
// download folder.
#pragma once

#include <QString>

#include "lookup/text.h"

namespace rudiruza {

// The default folder, absolute, written with "/" and without a trailing one. Taken from the XDG
// user-dirs setting DOWNLOAD, else ~/Downloads.
QString DefaultFolder();

// The default save location: the default folder and the smart-name marker, as a Text.
Text DefaultSavePath(const QString& folder);

}  // namespace rudiruza
