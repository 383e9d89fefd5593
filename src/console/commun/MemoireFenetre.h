#pragma once

class QWidget;

// A resizable screen opens at the size it was left, and, when it was left on a screen that is
// still there, at the same place; across openings and restarts, in the user's configuration
// under the window's object name. It never opens partly outside the visible screen: size and
// place are brought within the available area of the screen it opens on. A maximised screen
// opens maximised. A screen of fixed size keeps its size and remembers only its place.
// Called at the end of the window's constructor, once it has its default size.
void SeSouvenirDeLaFenetre(QWidget* fenetre);
