#pragma once

#include <QRect>
#include <QString>
#include <QUrl>
#include <functional>

// What the desktop provides: opening documents and addresses, the panel's side and size.
namespace Bureau {

// Opens a local document with its associated application. False when the document
// does not exist or no application could be asked to open it.
bool OuvrirDocument(const QString& chemin);

// Opens an address in the default browser.
bool OuvrirAdresse(const QUrl& adresse);

// Tests replace the desktop's opening of documents and addresses with their own recorder.
void RemplacerOuverture(std::function<bool(const QUrl&)> ouvrir);

// Description of the panel (taskbar): edges and size in pixels and its side of the screen.
struct BarreDesTaches
{
    int Gauche = 0;
    int Haut = 0;
    int Largeur = 0;
    int Hauteur = 0;
    int Position = 1; // 1 top, 2 right, 3 bottom, 4 left
};

// The panel is the part of the screen that the available geometry leaves out.
BarreDesTaches CalculerBarre(const QRect& ecran, const QRect& disponible);

// Side and size of a panel whose rectangle is known (a null rectangle: no panel) on a W x H screen.
BarreDesTaches DecrireBarre(const QRect& panneau, int W, int H);

// Top-left corner of a window of size w x h placed right beside the panel on a W x H screen.
QPoint PlacementPresDeLaBarre(int w, int h, int W, int H, const BarreDesTaches& barre);

// The same placement on one screen of the desktop, given its geometry and available geometry in
// desktop coordinates (a screen need not start at 0,0); the result, in desktop coordinates,
// always lies within that screen.
QPoint PlacementSurEcran(const QSize& fenetre, const QRect& ecran, const QRect& disponible);

// Where a window of that size goes beside the panel: on the screen holding the point `pres`
// (the tray icon) when one does, otherwise on the primary screen. A null point on no screen.
QPoint PlacementPresDeLaBarre(const QSize& fenetre, const QPoint& pres = QPoint());

// The primary screen's size, in pixels.
QSize TailleEcran();

} // namespace Bureau
