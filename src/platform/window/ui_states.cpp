#include "platform/window/ui_states.h"

#include "platform/encoding/encoding.h"

namespace rudiruza {

void EnterBusyState(WindowPort& window) {
  window.SetEnabled("按钮_开始", false);
  window.SetEnabled("按钮_注册右键", false);
  window.SetEnabled("按钮_注销右键", false);
  window.SetEnabled("按钮_取消", true);
}

void ResetUiControls(WindowPort& window) {
  window.SetPosition("进度条1", 0);
  window.SetEnabled("按钮_开始", true);
  window.SetEnabled("按钮_注册右键", true);
  window.SetEnabled("按钮_注销右键", true);
  for (const char* label : {"标签_大小", "标签_速度", "标签_下载", "标签_时间", "标签_速度1"}) {
    window.SetText(label, Text());
  }
  window.SetEnabled("按钮_取消", false);
}

void Browse(WindowPort& window, WindowState& state) {
  std::optional<Text> chosen = window.ShowSaveDialog();
  if (!chosen) return;
  window.SetText("标签4", TextFromUtf8("保存位置：") + *chosen);
  state.savePath = *chosen;
}

}  // namespace rudiruza
