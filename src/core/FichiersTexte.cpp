#include "FichiersTexte.h"

#include "platform/TexteFil.h"

#include <QFile>
#include <QStringDecoder>

namespace FichiersTexte {

QStringList Lignes(const QByteArray& contenu)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString texte = utf8.decode(contenu);
    if (utf8.hasError())
        texte = TexteFil::depuisOctets(contenu);
    if (texte.startsWith(QChar(0xFEFF)))
        texte.remove(0, 1);

    QStringList lignes;
    QString courante;
    for (qsizetype i = 0; i < texte.size(); ++i) {
        const QChar c = texte.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            lignes.append(courante);
            courante.clear();
            if (c == QLatin1Char('\r') && i + 1 < texte.size() && texte.at(i + 1) == QLatin1Char('\n'))
                ++i;
        } else {
            courante.append(c);
        }
    }
    if (!courante.isEmpty())
        lignes.append(courante);
    return lignes;
}

bool LireLignes(const QString& chemin, QStringList* lignes, QString* erreur)
{
    QFile fichier(chemin);
    if (!fichier.open(QIODevice::ReadOnly)) {
        if (erreur)
            *erreur = fichier.errorString();
        return false;
    }
    *lignes = Lignes(fichier.readAll());
    return true;
}

QString ValeurApresEgal(const QString& ligne)
{
    const qsizetype egal = ligne.indexOf(QLatin1Char('='));
    return egal < 0 ? ligne : ligne.mid(egal + 1);
}

} // namespace FichiersTexte
