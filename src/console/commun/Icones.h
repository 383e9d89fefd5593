#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

// Pictures of the console, drawn as vectors at run time: no image file has to be shipped, and
// each stays sharp at any size and on a high-density screen.
namespace Icones {

// The server's icon: tray, windows, desktop entry.
QIcon Serveur();

// A round badge of one colour with an optional letter, for state and legend pictures.
QIcon Pastille(const QColor& couleur, const QString& lettre = QString());

// Icons of the event types: information, anomaly, warning.
QIcon Information();
QIcon Anomalie();
QIcon Avertissement();

// Icon of entry `index` of the tray menu.
QIcon EntreeMenu(int index);

} // namespace Icones
