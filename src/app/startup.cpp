#include "app/startup.h"

#include <QCoreApplication>
#include <QDir>

#include "app/main_window.h"
#include "lookup/resource_query.h"
#include "platform/command_line/command_line.h"
#include "platform/encoding/encoding.h"

namespace rudiruza {

std::vector<Text> LaunchArgsFrom(int argc, char** argv) {
  std::vector<Text> args;
  for (int i = 1; i < argc; ++i) args.push_back(TextFromUtf8(argv[i]));
  return args;
}

void OnFirstActivation(MainWindow& window, const std::vector<Text>& launchArgs) {
  // The user's download folder may not exist yet on a fresh account, so the whole path is made;
  // a failure shows only when a download tries to write there.
  QDir().mkpath(window.DefaultFolderPath());
  WindowState& state = window.State();
  state.savePath = DefaultSavePath(window.DefaultFolderPath());
  state.launchArgs = launchArgs;
  if (launchArgs.empty()) return;

  WindowPort& port = window.Port();
  const std::optional<Text> chosen = port.ShowSaveDialog();
  if (!chosen) {
    QCoreApplication::exit(0);
    return;
  }
  state.savePath = *chosen;
  port.SetText("编辑框_id", LinkAddress(launchArgs.front()));
  NormaliseResourceId(port, state);
  port.SetFocus("编辑框_验证码");
  window.raise();
  window.activateWindow();
}

}  // namespace rudiruza
