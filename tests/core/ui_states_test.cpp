#include "platform/window/ui_states.h"

#include <gtest/gtest.h>

#include "platform/encoding/encoding.h"
#include "support/fake_window.h"

namespace rudiruza {
namespace {

using Log = std::vector<std::string>;

TEST(UiStates, BusyStateSwitchesTheFourButtonsInOrderAndNothingElse) {
  test::FakeWindow window;
  window.SetText("标签_大小", "1.5MB");
  window.SetPosition("进度条1", 700);
  window.ClearLog();

  EnterBusyState(window);

  EXPECT_EQ(window.Log(),
            (Log{"按钮_开始=0", "按钮_注册右键=0", "按钮_注销右键=0", "按钮_取消=1"}));
  EXPECT_EQ(window.GetText("标签_大小"), "1.5MB");
  EXPECT_EQ(window.GetPosition("进度条1"), 700);
}

TEST(UiStates, ResetClearsValuesAndButtonsInOrderAndLeavesTheRest) {
  test::FakeWindow window;
  EnterBusyState(window);
  const Text fileName = TextFromUtf8("文件.zip");
  window.SetText("编辑框_id", "1234567");
  window.SetText("编辑框_文件名", fileName);
  window.SetText("编辑框_验证码", "abcd");
  window.SetText("标签4", "x");
  window.ClearLog();

  ResetUiControls(window);

  EXPECT_EQ(window.Log(),
            (Log{"进度条1=0", "按钮_开始=1", "按钮_注册右键=1", "按钮_注销右键=1", "标签_大小=",
                 "标签_速度=", "标签_下载=", "标签_时间=", "标签_速度1=", "按钮_取消=0"}));
  EXPECT_EQ(window.GetText("编辑框_id"), "1234567");
  EXPECT_EQ(window.GetText("编辑框_文件名"), fileName);
  EXPECT_EQ(window.GetText("编辑框_验证码"), "abcd");
  EXPECT_EQ(window.GetText("标签4"), "x");
}

TEST(UiStates, BrowseTakesAConfirmedPathAndIgnoresACancelledDialog) {
  test::FakeWindow window;
  WindowState state;
  const Text chosen = TextFromUtf8("/home/u/下载/a.bin");
  window.QueueSaveDialog(chosen);
  window.QueueSaveDialog(std::nullopt);

  Browse(window, state);
  EXPECT_EQ(state.savePath, chosen);
  EXPECT_EQ(window.GetText("标签4"), TextFromUtf8("保存位置：") + chosen);

  Browse(window, state);  // cancelled
  EXPECT_EQ(state.savePath, chosen);
  EXPECT_EQ(window.GetText("标签4"), TextFromUtf8("保存位置：") + chosen);
}

}  // namespace
}  // namespace rudiruza
