#include "app/window_actions.h"

#include "app/main_window.h"
#include "platform/window/ui_states.h"

namespace rudiruza {

void OnResourceIdLeft(MainWindow&) {}

void OnCaptchaReleased(MainWindow&) {}

void OnStart(MainWindow&) {}

void OnCancel(MainWindow& window) { window.ResetUi(); }

void OnBrowse(MainWindow& window) { Browse(window.Port(), window.State()); }

void OnRegisterMenu(MainWindow&) {}

void OnUnregisterMenu(MainWindow&) {}

}  // namespace rudiruza
