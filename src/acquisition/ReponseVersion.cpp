#include "ReponseVersion.h"

#include <QRegularExpression>
#include <QXmlStreamReader>

namespace {

void lireVersion(QXmlStreamReader& xml, EntreeVersion* e)
{
    while (xml.readNextStartElement()) {
        const auto nom = xml.name();
        struct Champ
        {
            const char* nom;
            QString* texte;
            bool* present;
        };
        const Champ champs[] = {
            {"numero", &e->Numero, &e->AvecNumero},
            {"chemin", &e->Chemin, &e->AvecChemin},
            {"serveurNecessaire", &e->ServeurNecessaire, &e->AvecServeurNecessaire},
            {"environnement", &e->Environnement, &e->AvecEnvironnement},
            {"documentation", &e->Documentation, &e->AvecDocumentation},
            {"taille", &e->Taille, &e->AvecTaille},
        };
        bool lu = false;
        for (const Champ& c : champs) {
            if (nom == QLatin1String(c.nom) && !*c.present) {
                *c.texte = xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
                *c.present = true;
                lu = true;
                break;
            }
        }
        if (!lu)
            xml.skipCurrentElement();
    }
}

bool estEntier(const QString& texte, qint64* valeur)
{
    static const QRegularExpression chiffres(QStringLiteral("^[0-9]+$"));
    if (!chiffres.match(texte).hasMatch())
        return false;
    bool ok = false;
    const qint64 v = texte.toLongLong(&ok);
    if (ok && valeur)
        *valeur = v;
    return ok;
}

bool lireBooleen(const QString& texte, bool* valeur)
{
    if (texte.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
        *valeur = true;
        return true;
    }
    if (texte.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) {
        *valeur = false;
        return true;
    }
    bool ok = false;
    const double nombre = texte.toDouble(&ok);
    if (ok)
        *valeur = nombre != 0.0;
    return ok;
}

QString guillemets(const QString& texte)
{
    return QStringLiteral("« ") + texte + QStringLiteral(" »");
}

} // namespace

ReponseVersion LireReponseVersion(const QString& texte)
{
    ReponseVersion r;
    if (texte.trimmed().isEmpty()) {
        r.Raison = QStringLiteral("réponse vide");
        return r;
    }
    QXmlStreamReader xml(texte);
    bool racineVue = false;
    while (!xml.atEnd()) {
        const auto jeton = xml.readNext();
        if (jeton == QXmlStreamReader::DTD) {
            r.Raison = QStringLiteral("déclaration de type de document refusée");
            return r;
        }
        if (jeton != QXmlStreamReader::StartElement)
            continue;
        racineVue = true;
        if (xml.name() == QLatin1String("erreur")) {
            r.Type = ReponseVersion::Erreur;
            r.TexteErreur = xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        } else if (xml.name() == QLatin1String("maj")) {
            r.Type = ReponseVersion::Liste;
            while (xml.readNextStartElement()) {
                if (xml.name() != QLatin1String("version")) {
                    xml.skipCurrentElement();
                    continue;
                }
                EntreeVersion e;
                e.Rang = static_cast<int>(r.Entrees.size()) + 1;
                lireVersion(xml, &e);
                r.Entrees.append(e);
            }
        } else {
            r.Raison
                = QStringLiteral("élément racine ") + guillemets(xml.name().toString()) + QStringLiteral(" inattendu");
            return r;
        }
        break;
    }
    // The rest of the document must be well-formed too.
    while (!xml.atEnd() && !xml.hasError())
        xml.readNext();
    if (xml.hasError()) {
        r = ReponseVersion();
        r.Raison = QStringLiteral("XML mal formé, ligne ") + QString::number(xml.lineNumber()) + QStringLiteral(" : ")
            + xml.errorString();
    } else if (!racineVue) {
        r.Raison = QStringLiteral("aucun élément XML");
    }
    return r;
}

bool ValiderEntree(const EntreeVersion& e, VersionAnnoncee* v, QString* anomalie)
{
    qint64 numero = 0;
    const bool numeroValide = e.AvecNumero && estEntier(e.Numero, &numero);
    QString raison;
    bool documentation = false;
    qint64 taille = 0;
    if (!e.AvecNumero)
        raison = QStringLiteral("l'élément « numero » est absent");
    else if (!numeroValide)
        raison = QStringLiteral("le numéro ") + guillemets(e.Numero) + QStringLiteral(" n'est pas un nombre entier");
    else if (!e.AvecChemin)
        raison = QStringLiteral("l'élément « chemin » est absent");
    else if (!e.AvecEnvironnement)
        raison = QStringLiteral("l'élément « environnement » est absent");
    else if (e.Environnement != QLatin1String("0") && e.Environnement != QLatin1String("1"))
        raison = QStringLiteral("l'environnement ") + guillemets(e.Environnement)
            + QStringLiteral(" n'est ni 0 (poste) ni 1 (serveur)");
    else if (!e.AvecDocumentation)
        raison = QStringLiteral("l'élément « documentation » est absent");
    else if (!lireBooleen(e.Documentation, &documentation))
        raison = QStringLiteral("la documentation ") + guillemets(e.Documentation)
            + QStringLiteral(" n'est pas un booléen");
    else if (!e.AvecTaille)
        raison = QStringLiteral("l'élément « taille » est absent");
    else if (!estEntier(e.Taille, &taille))
        raison = QStringLiteral("la taille ") + guillemets(e.Taille) + QStringLiteral(" n'est pas un nombre entier");

    if (!raison.isEmpty()) {
        const QString quoi = numeroValide
            ? QString(QStringLiteral("La mise à jour ") + e.Numero)
            : QString(QStringLiteral("L'entrée n°") + QString::number(e.Rang) + QStringLiteral(" de la liste"));
        *anomalie
            = quoi + QStringLiteral(" annoncée par le serveur QUENTARIS est ignorée : ") + raison + QLatin1Char('.');
        return false;
    }
    v->Numero = e.Numero;
    v->Chemin = e.Chemin;
    v->Environnement = e.Environnement;
    v->ConditionServeur = e.AvecServeurNecessaire && e.ServeurNecessaire != QLatin1String("0");
    v->Documentation = documentation;
    v->Taille = taille;
    return true;
}
