// Lifetime of the windows the program opens: they live until the process ends.
#pragma once

class QWidget;

namespace brivo {

// Keeps `window` alive until deleteKeptWindows(); closing it only hides it.
void keepUntilExit(QWidget *window);

// Deletes every kept window that still exists, newest first. The program calls it after the event loop.
void deleteKeptWindows();

// True when some top-level window is visible.
bool anyWindowVisible();

} // namespace brivo
