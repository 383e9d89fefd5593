#include "Icones.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

namespace Icones {

QPixmap Pastille(const QColor& couleur, const QString& lettre, int taille)
{
    QPixmap image(taille, taille);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(couleur.darker(140));
    p.setBrush(couleur);
    p.drawEllipse(1, 1, taille - 2, taille - 2);
    if (!lettre.isEmpty()) {
        QFont police = p.font();
        police.setBold(true);
        police.setPixelSize(taille * 2 / 3);
        p.setFont(police);
        p.setPen(Qt::white);
        p.drawText(image.rect(), Qt::AlignCenter, lettre);
    }
    return image;
}

QIcon Serveur()
{
    QPixmap image(64, 64);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0, 84, 147));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(4, 4, 56, 56, 12, 12);
    QFont police = p.font();
    police.setBold(true);
    police.setPixelSize(40);
    p.setFont(police);
    p.setPen(QColor(254, 206, 140));
    p.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("Q"));
    return QIcon(image);
}

QIcon Information()
{
    return QIcon(Pastille(QColor(0, 102, 204), QStringLiteral("i")));
}

QIcon Anomalie()
{
    return QIcon(Pastille(QColor(204, 0, 0), QStringLiteral("!")));
}

QIcon Avertissement()
{
    return QIcon(Pastille(QColor(230, 150, 0), QStringLiteral("?")));
}

QIcon EntreeMenu(int index)
{
    static const QStyle::StandardPixmap kIcones[] = {QStyle::SP_DialogCloseButton,
                                                     QStyle::SP_FileDialogDetailedView,
                                                     QStyle::SP_BrowserReload,
                                                     QStyle::SP_ComputerIcon,
                                                     QStyle::SP_TitleBarMinButton,
                                                     QStyle::SP_FileDialogListView,
                                                     QStyle::SP_MessageBoxInformation,
                                                     QStyle::SP_DirHomeIcon,
                                                     QStyle::SP_ArrowDown,
                                                     QStyle::SP_DriveNetIcon,
                                                     QStyle::SP_CommandLink};
    if (index < 0 || index > 10)
        return {};
    return QApplication::style()->standardIcon(kIcones[index]);
}

} // namespace Icones
