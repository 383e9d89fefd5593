#pragma once

#include <functional>

class QAbstractItemView;
class QWidget;

// Keys a person expects on the screens whose "Fermer" only closes them and on their lists.

// Escape closes the window, as its "Fermer" does.
void FermerParEchap(QWidget* fenetre);

// Return (or Enter) on the list's current row, the one the keyboard is on, selects it and does
// what a double click on it does. The list keeps the key even without a row, so that it never
// reaches a dialog's default button.
void OuvrirParEntree(QAbstractItemView* liste, std::function<void()> action);
