#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QVector>

// The journal as the event viewer lists it, newest first: type icon, "date à heure", message.
// Anomalies are written in red, warnings in blue. A journal that cannot be read is one row
// that says so, across the columns (first column spanned), and that cannot be selected. Each
// column sorts on the type, the stored date and time, or the message.
class ModeleEvenements : public QAbstractTableModel
{
    Q_OBJECT
public:
    // Qt::UserRole on any column: the icon index, 1 information, 2 anomaly, 3 warning.
    static constexpr int RoleIcone = Qt::UserRole;

    explicit ModeleEvenements(QObject* parent = nullptr);

    // Reads the whole journal again. False when the query failed.
    bool Charger();
    // Whether the last Charger() read the journal: its rows are events.
    bool Lisible() const { return m_lisible; }

    // The icon index of a stored type: the type read as a number, plus one, rounded; a type
    // that is not a number counts as 0.
    static int IndexIcone(const QString& typeEvt);
    // "yyyy-MM-dd" and "hh:mm:ss" as shown: "dd/MM/yyyy à hh:mm:ss".
    static QString Horodatage(const QString& dateEvt, const QString& heureEvt);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    struct Ligne
    {
        int Icone;
        QString Message;
        QString Date;
        QString Heure;
    };
    QVector<Ligne> m_lignes;
    QIcon m_icones[3];
    bool m_lisible = true;
};
