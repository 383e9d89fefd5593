#include "CopieFichier.h"

#include <QTimer>

namespace {

constexpr qint64 kBloc = 64 * 1024;

} // namespace

CopieFichier::CopieFichier(const QString& source, const QString& destination, QObject* parent)
    : QObject(parent), m_source(source), m_copie(destination)
{
}

void CopieFichier::Demarrer(std::function<void(bool, const QString&)> fin)
{
    m_fin = std::move(fin);
    QTimer::singleShot(0, this, &CopieFichier::suivante);
}

bool CopieFichier::Copier(QString* raison)
{
    for (;;) {
        switch (etape(raison)) {
        case Avancement::EnCours:
            continue;
        case Avancement::Reussie:
            return true;
        case Avancement::Echouee:
            return false;
        }
    }
}

void CopieFichier::suivante()
{
    QString raison;
    const Avancement a = etape(&raison);
    if (a == Avancement::EnCours) {
        QTimer::singleShot(0, this, &CopieFichier::suivante);
        return;
    }
    auto fin = std::move(m_fin);
    m_fin = nullptr;
    if (fin)
        fin(a == Avancement::Reussie, raison);
}

CopieFichier::Avancement CopieFichier::etape(QString* raison)
{
    const auto echec = [this, raison](const QString& texte) {
        *raison = texte + QLatin1Char('.');
        m_source.close();
        m_copie.Abandonner();
        return Avancement::Echouee;
    };
    QString erreur;
    if (m_taille < 0) {
        if (!m_source.open(QIODevice::ReadOnly))
            return echec(m_source.errorString());
        m_taille = m_source.size();
        if (!m_copie.Ouvrir(&erreur))
            return echec(erreur);
    }
    for (qint64 copies = 0; copies < OctetsParEtape;) {
        const QByteArray bloc = m_source.read(kBloc);
        if (bloc.isEmpty()) {
            if (m_source.error() != QFileDevice::NoError)
                return echec(m_source.errorString());
            if (m_copie.Taille() != m_taille)
                return echec(
                    QStringLiteral("copie incomplète (%1 octets écrits sur %2)").arg(m_copie.Taille()).arg(m_taille));
            m_source.close();
            return m_copie.Nommer(&erreur) ? Avancement::Reussie : echec(erreur);
        }
        if (!m_copie.Ajouter(bloc, &erreur))
            return echec(erreur);
        copies += bloc.size();
    }
    return Avancement::EnCours;
}
