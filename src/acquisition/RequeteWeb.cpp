#include "RequeteWeb.h"

#include "EchangeWeb.h"
#include "LimitesWeb.h"
#include "TelechargementFichier.h"
#include "core/Journal.h"
#include "platform/TexteFil.h"

#include <QStringDecoder>
#include <QXmlStreamReader>

bool EstReponseDuService(const QString& texte)
{
    if (texte == QLatin1String("OK") || texte == QLatin1String("REFUSE")
        || texte == QLatin1String("Erreur identification"))
        return true;
    QXmlStreamReader xml(texte);
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            return xml.name() == QLatin1String("erreur") || xml.name() == QLatin1String("maj");
        case QXmlStreamReader::DTD:
        case QXmlStreamReader::Invalid:
            return false;
        default:
            break;
        }
    }
    return false;
}

namespace {

QString decoderTexte(const QByteArray& octets)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString texte = utf8(octets);
    if (!utf8.hasError())
        return texte;
    return TexteFil::depuisOctets(octets);
}

bool statutReussi(int statut)
{
    return statut >= 200 && statut <= 299;
}

class TransfertTexte : public EchangeWeb
{
public:
    TransfertTexte(const QString& url, QObject* contexte, std::function<void(const ReponseWeb&)> fin)
        : EchangeWeb(url, contexte), m_fin(std::move(fin))
    {
    }

    void demarrer()
    {
        if (!lancer())
            QTimer::singleShot(0, this, [this] { rendre(echec(m_raison)); });
    }

private:
    void lire() override
    {
        if (m_reponse->isOpen())
            m_corps += m_reponse->readAll();
        if (m_corps.size() > RequeteWeb::Limites().TailleMaxTexte)
            arreter(QStringLiteral("réponse trop longue"));
    }

    void termine() override
    {
        lire();
        const int s = statut();
        ReponseWeb r;
        if (!m_raison.isEmpty() || s == 0) {
            r = echec(raisonEchec());
        } else if (statutReussi(s)) {
            if (m_reponse->error() != QNetworkReply::NoError) {
                r = echec(raisonEchec());
            } else {
                r.Reussie = true;
                r.Texte = decoderTexte(m_corps);
            }
        } else {
            const QString texte = decoderTexte(m_corps);
            if (EstReponseDuService(texte)) {
                r.Reussie = true;
                r.Texte = texte;
            } else {
                r = echec(descriptionStatut());
            }
        }
        r.Statut = s;
        if (r.Reussie && r.Texte == QLatin1String("Erreur identification")) {
            AjouterEvenement(Anomalie,
                             QStringLiteral("Le site internet a renvoyé une erreur lors de l'identification !"));
            r.Reussie = false;
            r.Texte.clear();
            r.Erreur = QStringLiteral("le serveur a répondu « Erreur identification »");
            r.Journalisee = true;
        }
        rendre(r);
    }

    ReponseWeb echec(const QString& raison)
    {
        ReponseWeb r;
        r.Statut = m_reponse ? statut() : 0;
        r.Erreur = raison;
        r.Journalisee = journalise();
        if (m_proxy.Actif && !r.Journalisee) {
            AjouterEvenement(Anomalie,
                             QStringLiteral("Erreur de requete Web, configuration du proxy incorrecte ! (") + raison
                                 + QLatin1Char(')'));
            r.Journalisee = true;
        }
        return r;
    }

    void rendre(const ReponseWeb& r)
    {
        deleteLater();
        if (contexteVivant())
            m_fin(r);
    }

    QByteArray m_corps;
    std::function<void(const ReponseWeb&)> m_fin;
};

} // namespace

void RequeteWebTexte(const QString& url, QObject* contexte, std::function<void(const ReponseWeb&)> fin)
{
    (new TransfertTexte(url, contexte, std::move(fin)))->demarrer();
}

void RequeteWebBinaire(const QString& url, const QString& fichier, qint64 tailleAttendue, QObject* contexte,
                       std::function<void(const ResultatTelechargement&)> fin, SuiviTelechargement suivi)
{
    (new TelechargementFichier(url, fichier, tailleAttendue, contexte, std::move(fin), std::move(suivi)))->Demarrer();
}
