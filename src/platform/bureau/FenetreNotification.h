#pragma once

class QWindow;

namespace Bureau {

// Makes a window, not yet shown, a notification as the desktop knows one: of the notification
// type, and in no taskbar or pager. Nothing changes where the display is not X11.
void MarquerCommeNotification(QWindow* fenetre);

} // namespace Bureau
