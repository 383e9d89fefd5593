#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>

// Pictures of the console, drawn at run time so that no image file has to be shipped.
namespace Icones {

// The server's icon: tray, windows, desktop entry.
QIcon Serveur();

// A round badge of one colour with an optional letter, for state and legend pictures.
QPixmap Pastille(const QColor& couleur, const QString& lettre = QString(), int taille = 16);

// Icons of the event types: information, anomaly, warning.
QIcon Information();
QIcon Anomalie();
QIcon Avertissement();

// Icon of entry `index` of the tray menu.
QIcon EntreeMenu(int index);

} // namespace Icones
