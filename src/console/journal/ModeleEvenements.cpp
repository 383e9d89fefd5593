#include "console/journal/ModeleEvenements.h"

#include "console/commun/Icones.h"
#include "console/commun/ListeConfortable.h"
#include "core/BaseInterne.h"
#include "core/Sortie.h"

#include <QBrush>
#include <QSqlError>
#include <QSqlQuery>
#include <cmath>

ModeleEvenements::ModeleEvenements(QObject* parent)
    : QAbstractTableModel(parent), m_icones{Icones::Information(), Icones::Anomalie(), Icones::Avertissement()}
{
}

bool ModeleEvenements::Charger()
{
    QSqlQuery q(BaseInterne::Connexion());
    q.setForwardOnly(true);
    const bool ok
        = q.exec(QStringLiteral("SELECT TypeEvt, MessageEvt, DateEvt, HeureEvt FROM EvtMaj ORDER BY IdEvtMaj DESC"));
    if (!ok)
        Sortie::Ecrire(QStringLiteral("Lecture du journal impossible : ") + q.lastError().text());
    beginResetModel();
    m_lisible = ok;
    m_lignes.clear();
    while (ok && q.next())
        m_lignes.append(
            {IndexIcone(q.value(0).toString()), q.value(1).toString(), q.value(2).toString(), q.value(3).toString()});
    endResetModel();
    return ok;
}

int ModeleEvenements::IndexIcone(const QString& typeEvt)
{
    bool ok = false;
    const double valeur = typeEvt.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(valeur) || std::abs(valeur) > 1e6)
        return 1;
    return static_cast<int>(std::lround(valeur + 1));
}

QString ModeleEvenements::Horodatage(const QString& dateEvt, const QString& heureEvt)
{
    QString date = dateEvt;
    if (dateEvt.size() == 10 && dateEvt.at(4) == QLatin1Char('-') && dateEvt.at(7) == QLatin1Char('-'))
        date = dateEvt.mid(8, 2) + QLatin1Char('/') + dateEvt.mid(5, 2) + QLatin1Char('/') + dateEvt.left(4);
    return date + QStringLiteral(" à ") + heureEvt;
}

int ModeleEvenements::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return m_lisible ? static_cast<int>(m_lignes.size()) : 1;
}

int ModeleEvenements::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 3;
}

QVariant ModeleEvenements::data(const QModelIndex& index, int role) const
{
    if (!m_lisible) {
        if (index.isValid() && index.column() == 0 && role == Qt::DisplayRole)
            return QStringLiteral("Le journal des évènements ne peut pas être lu dans la base de données interne.");
        return {};
    }
    if (!index.isValid() || index.row() >= m_lignes.size())
        return {};
    const Ligne& l = m_lignes.at(index.row());
    switch (role) {
    case RoleIcone:
        return l.Icone;
    case ListeConfortable::RoleTri:
        if (index.column() == 0)
            return l.Icone;
        if (index.column() == 1)
            return QString(l.Date + QLatin1Char(' ') + l.Heure);
        return l.Message;
    case Qt::DecorationRole:
        // An index outside the three pictures shows the information one.
        if (index.column() == 0)
            return m_icones[(l.Icone >= 1 && l.Icone <= 3) ? l.Icone - 1 : 0];
        return {};
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        if (index.column() == 1)
            return Horodatage(l.Date, l.Heure);
        if (index.column() == 2)
            return l.Message;
        return {};
    case Qt::ForegroundRole:
        if (index.column() == 0)
            return {};
        if (l.Icone == 2)
            return QBrush(QColor(255, 0, 0));
        if (l.Icone == 3)
            return QBrush(QColor(0, 0, 255));
        return {};
    default:
        return {};
    }
}

QVariant ModeleEvenements::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case 1:
        return QStringLiteral("Date et Heure");
    case 2:
        return QStringLiteral("Message");
    default:
        return QString();
    }
}

Qt::ItemFlags ModeleEvenements::flags(const QModelIndex& index) const
{
    return m_lisible ? QAbstractTableModel::flags(index) : Qt::NoItemFlags;
}
