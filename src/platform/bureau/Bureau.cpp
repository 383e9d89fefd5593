#include "Bureau.h"

#include "platform/Systeme.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

namespace Bureau {

namespace {

std::function<bool(const QUrl&)>& ouverture()
{
    static std::function<bool(const QUrl&)> f = [](const QUrl& url) {
        // The desktop's opener, which Qt would choose too, but started with standard input,
        // output and error alone: Qt's start passes on every descriptor this program inherited.
        const QString ouvreur = Systeme::TrouverProgramme(QStringLiteral("xdg-open"));
        if (!ouvreur.isEmpty())
            return Systeme::LancerDetache(ouvreur, {QString::fromLatin1(url.toEncoded())});
        return QDesktopServices::openUrl(url);
    };
    return f;
}

} // namespace

bool OuvrirDocument(const QString& chemin)
{
    if (!QFileInfo(chemin).isFile())
        return false;
    return ouverture()(QUrl::fromLocalFile(QFileInfo(chemin).absoluteFilePath()));
}

bool OuvrirAdresse(const QUrl& adresse)
{
    return ouverture()(adresse);
}

void RemplacerOuverture(std::function<bool(const QUrl&)> ouvrir)
{
    ouverture() = std::move(ouvrir);
}

BarreDesTaches CalculerBarre(const QRect& ecran, const QRect& disponible)
{
    QRect panneau;
    if (disponible.isValid() && disponible != ecran) {
        if (disponible.top() > ecran.top())
            panneau = QRect(ecran.left(), ecran.top(), ecran.width(), disponible.top() - ecran.top());
        else if (disponible.bottom() < ecran.bottom())
            panneau = QRect(ecran.left(), disponible.bottom() + 1, ecran.width(), ecran.bottom() - disponible.bottom());
        else if (disponible.left() > ecran.left())
            panneau = QRect(ecran.left(), ecran.top(), disponible.left() - ecran.left(), ecran.height());
        else if (disponible.right() < ecran.right())
            panneau = QRect(disponible.right() + 1, ecran.top(), ecran.right() - disponible.right(), ecran.height());
    }
    return DecrireBarre(panneau, ecran.width(), ecran.height());
}

BarreDesTaches DecrireBarre(const QRect& panneau, int W, int H)
{
    BarreDesTaches barre;
    if (!panneau.isNull()) {
        barre.Gauche = panneau.left();
        barre.Haut = panneau.top();
        barre.Largeur = panneau.width();
        barre.Hauteur = panneau.height();
    }
    const int milieuH = W / 2;
    const int milieuV = H / 2;
    if (barre.Haut > milieuV)
        barre.Position = 3;
    else if (barre.Gauche > milieuH)
        barre.Position = 2;
    else if (barre.Haut < milieuV && barre.Hauteur != H)
        barre.Position = 1;
    else
        barre.Position = 4;
    return barre;
}

QPoint PlacementPresDeLaBarre(int w, int h, int W, int H, const BarreDesTaches& barre)
{
    switch (barre.Position) {
    case 1:
        return {W - w, barre.Hauteur};
    case 2:
        return {W - w - barre.Largeur, H - h};
    case 3:
        return {W - w, H - h - barre.Hauteur};
    case 4:
        return {barre.Largeur, H - h};
    default:
        return {W - w, 0};
    }
}

QPoint PlacementSurEcran(const QSize& fenetre, const QRect& ecran, const QRect& disponible)
{
    const QPoint origine = ecran.topLeft();
    const BarreDesTaches barre = CalculerBarre(ecran.translated(-origine), disponible.translated(-origine));
    const QPoint coin
        = origine + PlacementPresDeLaBarre(fenetre.width(), fenetre.height(), ecran.width(), ecran.height(), barre);
    const int x = std::clamp(coin.x(), ecran.left(), std::max(ecran.left(), ecran.right() + 1 - fenetre.width()));
    const int y = std::clamp(coin.y(), ecran.top(), std::max(ecran.top(), ecran.bottom() + 1 - fenetre.height()));
    return {x, y};
}

QPoint PlacementPresDeLaBarre(const QSize& fenetre, const QPoint& pres)
{
    const QScreen* ecran = pres.isNull() ? nullptr : QGuiApplication::screenAt(pres);
    if (!ecran)
        ecran = QGuiApplication::primaryScreen();
    if (!ecran)
        return {};
    return PlacementSurEcran(fenetre, ecran->geometry(), ecran->availableGeometry());
}

QSize TailleEcran()
{
    const QScreen* ecran = QGuiApplication::primaryScreen();
    return ecran ? ecran->geometry().size() : QSize();
}

} // namespace Bureau
