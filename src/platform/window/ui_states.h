// The window's two states (idle and busy) and the operations on the window that need no toolkit:
// entering the busy state, the control steps of a reset, and Browse. They work on any WindowPort,
// so the download job calls them on its own thread and the core tests run them on the fake.
#pragma once

#include "platform/window/window_port.h"
#include "platform/window/window_state.h"

namespace rudiruza {

// A job's first step: Start and the two registration buttons off, Cancel on. Values and bar stay.
void EnterBusyState(WindowPort& window);

// The idle state again: bar at 0, Start and the registration buttons on, the five value labels
// empty, Cancel off. Leaves the edit boxes, the save location caption and the state alone.
// Ending the worker is the caller's part (the window's ResetUi; the job simply returns).
void ResetUiControls(WindowPort& window);

// Lets the user choose the save location: on a confirmed dialog the caption of 标签4 shows
// "保存位置：" and the path, and state.savePath becomes the path. A cancelled dialog changes
// nothing.
void Browse(WindowPort& window, WindowState& state);

}  // namespace rudiruza
