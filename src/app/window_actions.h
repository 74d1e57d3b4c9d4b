// What the window's events do. Each user event of the main window calls one function here, on
// the GUI thread; the window does nothing else with its events. A hook that says "later" is
// still empty and is filled where the operation is built.
//
//   event                                   hook
//   编辑框_id loses the keyboard focus      OnResourceIdLeft     (NormaliseResourceId, later)
//   left button released on 图片框1         OnCaptchaReleased    (RefreshCaptcha, later)
//   按钮_开始 clicked, Enter in 编辑框_验证码  OnStart              (StartDownload, later)
//   按钮_取消 clicked                        OnCancel             (ResetUi)
//   按钮_浏览 clicked                        OnBrowse             (Browse)
//   按钮_注册右键 clicked                    OnRegisterMenu       (RegisterBrowserMenu, later)
//   按钮_注销右键 clicked                    OnUnregisterMenu     (UnregisterBrowserMenu, later)
//
// A hook reaches the controls through window.Port() (a WindowPort), the shared values through
// window.State(), runs a job with window.StartWorker(job) and ends one with window.ResetUi().
#pragma once

namespace rudiruza {

class MainWindow;

void OnResourceIdLeft(MainWindow& window);
void OnCaptchaReleased(MainWindow& window);
void OnStart(MainWindow& window);
void OnCancel(MainWindow& window);
void OnBrowse(MainWindow& window);
void OnRegisterMenu(MainWindow& window);
void OnUnregisterMenu(MainWindow& window);

}  // namespace rudiruza
