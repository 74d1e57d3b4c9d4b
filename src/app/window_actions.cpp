#include "app/window_actions.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>

#include "app/file_manager.h"
#include "app/main_window.h"
#include "browser/browser_menu.h"
#include "download/download_job.h"
#include "lookup/resource_query.h"
#include "platform/window/ui_states.h"

namespace rudiruza {

void OnResourceIdLeft(MainWindow& window) { NormaliseResourceId(window.Port(), window.State()); }

void OnCaptchaReleased(MainWindow& window) { window.RefreshCaptchaInBackground(); }

void OnStart(MainWindow& window) {
  WindowPort& port = window.Port();
  // One job at a time: Enter in the captcha box reaches here whatever the state of Start.
  if (!port.IsEnabled("按钮_开始")) return;
  WindowState& state = window.State();
  if (!CheckStartConditions(port, state.savePath, state.resourceId)) return;

  // The job gets its own copies: a Browse or a new address during the job is for the next one,
  // and the save location keeps its smart-name marker for the jobs after it.
  JobSettings settings;
  settings.savePath = state.savePath;
  settings.resourceId = state.resourceId;
  settings.linkLaunch = !state.launchArgs.empty();
  settings.showInFileManager = ShowInFileManager;

  // Busy before the worker exists, so that no second Start can slip in.
  EnterBusyState(port);
  QPointer<MainWindow> guard(&window);
  window.StartWorker([&window, guard, settings] {
    const JobResult result = RunDownloadJob(window.Port(), settings, window.Gate());
    if (!result.downloadUrl.empty()) {
      QMetaObject::invokeMethod(qApp, [guard, url = result.downloadUrl] {
        if (guard) guard->State().downloadUrl = url;
      });
    }
    if (result.ending == JobEnding::kExitProgram) window.EndProgram();
  });
}

void OnCancel(MainWindow& window) { window.ResetUi(); }

void OnBrowse(MainWindow& window) { Browse(window.Port(), window.State()); }

void OnRegisterMenu(MainWindow& window) { RegisterBrowserMenu(window.Port()); }

void OnUnregisterMenu(MainWindow& window) { UnregisterBrowserMenu(window.Port()); }

}  // namespace rudiruza
