// The toolkit's own texts (dialog buttons, the file dialog) in Chinese, like the program's.
#pragma once

class QApplication;

namespace rudiruza {

// Loads Qt's Simplified Chinese catalogue when it is installed; otherwise the texts stay English.
void LoadToolkitTranslations(QApplication& app);

}  // namespace rudiruza
